#ifndef LOGENGINE_OPTIONCONVERTER_H
#define LOGENGINE_OPTIONCONVERTER_H

#include "engine/level.h"

#include <QString>

namespace LogEngine
{

class Properties;

/*!
 * Conversions of configuration texts into typed values, and ${key}
 * expansion. Each failure is logged as an error record on the class logger
 * and answered with the stated fallback; nothing is thrown.
 */
class OptionConverter
{
public:
    static QString substituteVariables(const Properties &properties, const QString &key);
    /*!
     * What a reference ${name} stands for before its own references are
     * expanded: the key `name` of `properties`, else `environmentValue`.
     * A null text when nothing is known by that name.
     */
    static QString variableValue(const Properties &properties, const QString &name);
    /*!
     * The value of a name that no key of the file gives: the process
     * environment variable of exactly that name, else for the standard
     * names "user.home", "user.name", "user.dir" and "java.io.tmpdir" the
     * home directory ($HOME), the user's login name, the current directory
     * and the directory for temporary files. A null text for other names.
     */
    static QString environmentValue(const QString &name);
    static bool toBoolean(const QString &option, bool *ok = nullptr);
    static bool toBoolean(const QString &option, bool defaultValue);
    static qint64 toFileSize(const QString &option, bool *ok = nullptr);
    static int toInt(const QString &option, bool *ok);
    static Level toLevel(const QString &option, bool *ok = nullptr);
    static Level toLevel(const QString &option, const Level &defaultValue);
    static int toTarget(const QString &option, bool *ok = nullptr);
    /*! A log4j name ("org.apache.Foo") as an engine name ("org::apache::Foo"). */
    static QString classNameJavaToCpp(const QString &name);

private:
    OptionConverter() = delete;
};

} // namespace LogEngine

#endif
