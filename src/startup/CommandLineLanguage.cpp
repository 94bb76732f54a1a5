#include "CommandLineLanguage.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

bool install(QCoreApplication& app, const QLocale& locale, const QString& name,
             const QString& folder) {
    auto* translator = new QTranslator(&app);
    if (translator->load(locale, name, QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

bool installCommandLineLanguage(QCoreApplication& app) {
    const QLocale locale;
    if (!install(app, locale, QStringLiteral("zembrel"), QStringLiteral(":/zembrel/translations")))
        return false;
    // Qt's texts only in the language of the programs' own, never in a third.
    install(app, locale, QStringLiteral("qtbase"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}

QString usageErrorText(const QString& program, const QString& error) {
    return program + QStringLiteral(": ") + error + u'\n' +
           CommandLine::tr("Try '%1 --help' for more information.").arg(program) + u'\n';
}
