#ifndef QORVLOG_TESTS_TESTFILES_H
#define QORVLOG_TESTS_TESTFILES_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QTemporaryDir>

// Whole files as the tests write and read them. A file is written whole and
// then put in place (as editors and deployment tools do), its folder created
// if need be; a test that cannot even write its input stops at once.
inline void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A folder of the test's own, gone after it: configuration texts written
// there may say @DIR@ for the folder.
class TestFolder : public QTemporaryDir
{
public:
    QString write(const QString &name, const QByteArray &text) const
    {
        const QString file = filePath(name);
        writeFile(file, QByteArray(text).replace("@DIR@", QFile::encodeName(path())));
        return file;
    }
    QByteArray read(const QString &name) const { return readFile(filePath(name)); }
};

#endif
