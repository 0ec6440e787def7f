#ifndef QORVLOG_TESTS_STREAMING_H
#define QORVLOG_TESTS_STREAMING_H

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>

// The data-stream form of `value` in a default stream.
template <typename T> QByteArray streamed(const T &value)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << value;
    return bytes;
}

// Reads `value` from `bytes`; returns the stream's status afterwards.
template <typename T> QDataStream::Status readFrom(const QByteArray &bytes, T &value)
{
    QDataStream in(bytes);
    in >> value;
    return in.status();
}

#endif
