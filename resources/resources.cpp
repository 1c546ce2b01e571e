#include "resources/resources.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtGlobal>

void load_program_resources()
{
    Q_INIT_RESOURCE(resources);
#ifdef QV_EMBEDDED_TOOLKIT_TRANSLATION
    Q_INIT_RESOURCE(translations);
#endif
}

// The program's own captions are in the context "qv_make", which the
// toolkit's translation does not hold: they stay exactly as written.
bool install_toolkit_translation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QStringLiteral(":/translations/qtbase_zh_CN.qm")) ||
        translator->load(QStringLiteral("qtbase_zh_CN"),
                         QLibraryInfo::location(QLibraryInfo::TranslationsPath))) {
        return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}
