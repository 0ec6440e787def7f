#ifndef LOGENGINE_PROPERTIES_H
#define LOGENGINE_PROPERTIES_H

#include <QHash>
#include <QString>
#include <QStringList>

class QIODevice;
class QSettings;

namespace LogEngine
{

/*!
 * Key/value pairs of a log4j-style configuration, read from a properties
 * text or from a QSettings group, with lookups that fall back along a chain
 * of defaults. Lookups tell a missing key (null text) from an empty value.
 * Malformed input never stops loading: it is stored as well as it can be,
 * with a warning on the class logger.
 *
 * A set read from a device remembers the line on which each key's property
 * starts (the last one, for a key given twice), so that a checker can point
 * at it; lookups never consult it.
 */
class Properties : public QHash<QString, QString>
{
public:
    explicit Properties(Properties *defaultProperties = nullptr)
        : m_defaultProperties(defaultProperties)
    {
    }

    void load(QIODevice *device);
    void load(QSettings &settings);

    QString property(const QString &key) const;
    QStringList propertyNames() const;
    /*! The line on which the property of `key` starts; 0 when it was not read from a device here. */
    int lineOf(const QString &key) const { return m_lines.value(key); }

    Properties *defaultProperties() const { return m_defaultProperties; }
    void setDefaultProperties(Properties *defaults) { m_defaultProperties = defaults; }

private:
    void parseProperty(const QString &text, int startLine);

    Properties *m_defaultProperties;
    QHash<QString, int> m_lines;
};

} // namespace LogEngine

#endif
