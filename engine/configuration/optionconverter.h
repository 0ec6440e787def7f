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
    /*! Characters that the references of one value may produce; more is cut off and reported. */
    static constexpr int maxValueCharacters = 32768;
    /*! Characters that the references of all values of one run may produce together. */
    static constexpr qint64 maxRunCharacters = 1024 * 1024;
    /*! References that one run may follow. */
    static constexpr int maxRunReferences = 1000000;

    /*!
     * What the ${key} expansions of one configuration run may still cost.
     * A run hands the same budget to each of its substitutions, so that a
     * file of many values costs no more than one of the run's size; once it
     * is spent, that is reported once and later references expand to
     * nothing.
     */
    struct SubstitutionBudget {
        qint64 characters = maxRunCharacters;
        int references = maxRunReferences;
        bool spentReported = false;
    };

    /*! The value of `key` with ${...} expanded, within a budget of its own. */
    static QString substituteVariables(const Properties &properties, const QString &key);
    /*! The value of `key` with ${...} expanded, within what is left of the run's `budget`. */
    static QString substituteVariables(const Properties &properties, const QString &key, SubstitutionBudget &budget);
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
