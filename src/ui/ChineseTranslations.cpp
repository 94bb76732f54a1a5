#include "ChineseTranslations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installChineseTranslations(QApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
