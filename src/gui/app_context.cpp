#include "gui/app_context.h"

namespace orv::gui {

void AppContext::loadSettings() {
    settings.beginGroup("Config");
    languageFile = settings.value("LanguageStrings").toString().toStdString();
    for (size_t k = 0; k < kColourKeys.size(); ++k) {
        QString key = QString::fromUtf8(kColourKeys[k].data(), int(kColourKeys[k].size()));
        if (settings.contains(key)) display.colours.*kColourFields[k] = settings.value(key).toUInt() & 0xFFFFFF;
    }
    for (int i = 0; i < kLayerCount; ++i) {
        QString name = QString::fromStdString(layerNameKey(i));
        QString colour = QString::fromStdString(layerColourKey(i));
        if (settings.contains(name)) layers.at(i).name = settings.value(name).toString().toStdString();
        if (settings.contains(colour)) layers.at(i).colour = settings.value(colour).toUInt() & 0xFFFFFF;
    }
    settings.endGroup();
    language.reset();
    if (!languageFile.empty()) {
        LanguageFile f;
        // An unreadable or foreign file is passed over: the built-in texts stay.
        if (loadLanguageFile(programDirectory, languageFile, f) == FileStatus::Ok) {
            language = std::move(f);
        } else {
            languageFile.clear();
        }
    }
    strings = buildStringTable(languageInUse());
}

void AppContext::saveSettings() {
    settings.beginGroup("Config");
    settings.setValue("LanguageStrings", QString::fromStdString(languageFile));
    for (size_t k = 0; k < kColourKeys.size(); ++k)
        settings.setValue(QString::fromUtf8(kColourKeys[k].data(), int(kColourKeys[k].size())),
                          display.colours.*kColourFields[k]);
    for (int i = 0; i < kLayerCount; ++i) {
        settings.setValue(QString::fromStdString(layerNameKey(i)), QString::fromStdString(layers.at(i).name));
        settings.setValue(QString::fromStdString(layerColourKey(i)), layers.at(i).colour);
    }
    settings.endGroup();
    settings.sync();
}

}  // namespace orv::gui
