#include "engine/configuration/properties.h"
#include "engine/detail/classlogger.h"

#include "engine/logger.h"

#include <QIODevice>
#include <QSet>
#include <QSettings>
#include <QTextStream>

#include <cstring>

namespace LogEngine
{

namespace
{

const ClassLogger propertiesLogger("LogEngine::Properties");

const char keyEscapes[] = " :=";
const char valueEscapes[] = "tnr\\\"' ";
const char valueReplacements[] = "\t\n\r\\\"' ";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QString stripLeadingWhiteSpace(const QString &line)
{
    int i = 0;
    while (i < line.size() && line.at(i).isSpace())
        ++i;
    return line.mid(i);
}

} // namespace

void Properties::load(QIODevice *device)
{
    if (!device) {
        propertiesLogger()->warn("No device specified for load.");
        return;
    }
    QTextStream stream(device);
    QString pending;
    int lineNumber = 0;
    int startLine = 1;
    QString line;
    while (stream.readLineInto(&line)) {
        ++lineNumber;
        line = stripLeadingWhiteSpace(line);
        if (!line.isEmpty() && line.endsWith(QLatin1Char('\\'))) {
            pending += QStringView(line).left(line.size() - 1);
            continue;
        }
        pending += line;
        parseProperty(pending, startLine);
        pending.clear();
        startLine = lineNumber + 1;
    }
    // A last line that ends in a backslash still holds a property.
    if (!pending.isEmpty())
        parseProperty(pending, startLine);
}

void Properties::load(QSettings &settings)
{
    const QStringList keys = settings.childKeys();
    for (const QString &key : keys)
        insert(key, settings.value(key).toString());
}

void Properties::parseProperty(const QString &text, int startLine)
{
    if (text.isEmpty())
        return;
    enum State { KEY, KEY_SPACE, SPACE_VALUE, VALUE, KEY_ESCAPE, VALUE_ESCAPE, UNICODE };
    State state = KEY;
    QString key;
    QString value;
    int unicode = 0;
    int unicodeDigits = 0;
    Logger *log = propertiesLogger();
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        const QChar ch = text.at(i);
        const char c = ch.toLatin1();
        switch (state) {
        case KEY:
            if (c == '!' || c == '#')
                return;
            if (ch.isSpace())
                state = KEY_SPACE;
            else if (c == '=' || c == ':')
                state = SPACE_VALUE;
            else if (c == '\\')
                state = KEY_ESCAPE;
            else
                key += ch;
            break;
        case KEY_SPACE:
            if (c == '=' || c == ':') {
                state = SPACE_VALUE;
            } else if (!ch.isSpace()) {
                value += ch;
                state = VALUE;
            }
            break;
        case SPACE_VALUE:
            // The first character of a value is taken as it stands, a backslash too.
            if (!ch.isSpace()) {
                value += ch;
                state = VALUE;
            }
            break;
        case VALUE:
            if (c == '\\')
                state = VALUE_ESCAPE;
            else
                value += ch;
            break;
        case KEY_ESCAPE:
            if (c == '\0' || !std::strchr(keyEscapes, c))
                log->warn(
                    "Unknown escape sequence '\\%1' in key of property starting at line %2", QString(ch), startLine);
            key += ch;
            state = KEY;
            break;
        case VALUE_ESCAPE:
            if (c == 'u') {
                state = UNICODE;
                unicode = 0;
                unicodeDigits = 0;
                break;
            }
            if (const char *found = c ? std::strchr(valueEscapes, c) : nullptr) {
                value += QLatin1Char(valueReplacements[found - valueEscapes]);
            } else {
                log->warn(
                    "Unknown escape sequence '\\%1' in value of property starting at line %2", QString(ch), startLine);
                value += ch;
            }
            state = VALUE;
            break;
        case UNICODE: {
            const int digit = hexValue(c);
            if (digit < 0) {
                if (unicodeDigits > 0)
                    value += QChar(unicode);
                state = VALUE;
                --i; // examined again as part of the value
                break;
            }
            unicode = unicode * 16 + digit;
            ++unicodeDigits;
            if (unicodeDigits == 4 || i == size - 1) {
                value += QChar(unicode);
                state = VALUE;
            }
            break;
        }
        }
    }
    if (key.isEmpty() && !value.isEmpty())
        log->warn("Found value with no key in property starting at line %1", startLine);
    log->trace("Loaded property '%1' : '%2'", key, value);
    m_lines.insert(key, startLine);
    insert(key, value);
}

QString Properties::property(const QString &key) const
{
    const auto it = constFind(key);
    if (it != constEnd())
        return it->isNull() ? QLatin1String("") : *it;
    if (m_defaultProperties)
        return m_defaultProperties->property(key);
    return QString();
}

QStringList Properties::propertyNames() const
{
    QStringList names;
    if (m_defaultProperties)
        names = m_defaultProperties->propertyNames();
    QSet<QString> seen(names.cbegin(), names.cend());
    for (auto it = constBegin(); it != constEnd(); ++it) {
        if (!seen.contains(it.key())) {
            seen.insert(it.key());
            names.append(it.key());
        }
    }
    return names;
}

} // namespace LogEngine
