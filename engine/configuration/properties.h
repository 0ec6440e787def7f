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

    Properties *defaultProperties() const { return m_defaultProperties; }
    void setDefaultProperties(Properties *defaults) { m_defaultProperties = defaults; }

private:
    void parseProperty(const QString &text, int startLine);

    Properties *m_defaultProperties;
};

} // namespace LogEngine

#endif
