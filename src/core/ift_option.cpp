#include "core/ift_option.h"

namespace nuvrel {

IFTOption::IFTOption(SettingsStore& store) : store_(store) { load(); }

void IFTOption::load() {
    auto key = store_.openKey(kSettingsKeyPath, false);
    if (!key)
        return;
    auto str = [&](const char* name, std::string& field) {
        if (auto v = key->readString(name); v && !v->empty())
            field = *v;
    };
    auto num = [&](const char* name, std::int32_t& field) {
        if (auto v = key->readInt(name))
            field = *v;
    };
    str("GPSModel", gpsModel_);
    num("GPSModelID", gpsModelId_);
    num("GPSCharSet", gpsCharSet_);
    num("CommPort", commPort_);
    num("PenColor", penColor_);
    num("PenWidth", penWidth_);
    num("MapScale", mapScale_);
    num("MapWidth", mapWidth_);
    num("MapHeight", mapHeight_);
    str("TraceMark", traceMark_);
    str("DatumName", datumName_);
    num("MapLoadWithStart", mapLoadWithStart_);
    num("TextCoordinateFormat", textCoordinateFormat_);
    num("GPSSoftwareVersion", gpsSoftwareVersion_);
    str("PilotName", pilotName_);
    str("GliderType", gliderType_);
    str("GliderID", gliderId_);
}

bool IFTOption::save() {
    auto key = store_.openKey(kSettingsKeyPath, true);
    if (!key)
        return false;
    bool ok = key->writeString("GPSModel", gpsModel_);
    ok &= key->writeInt("GPSModelID", gpsModelId_);
    ok &= key->writeInt("GPSCharSet", gpsCharSet_);
    ok &= key->writeInt("CommPort", commPort_);
    ok &= key->writeInt("PenColor", penColor_);
    ok &= key->writeInt("PenWidth", penWidth_);
    ok &= key->writeInt("MapScale", mapScale_);
    ok &= key->writeInt("MapWidth", mapWidth_);
    ok &= key->writeInt("MapHeight", mapHeight_);
    ok &= key->writeString("TraceMark", traceMark_);
    ok &= key->writeString("DatumName", datumName_);
    ok &= key->writeInt("MapLoadWithStart", mapLoadWithStart_);
    ok &= key->writeInt("TextCoordinateFormat", textCoordinateFormat_);
    ok &= key->writeInt("GPSSoftwareVersion", gpsSoftwareVersion_);
    // The flight-log names are written once given, and kept (even emptied)
    // from then on: a settings file that never had them stays as it was.
    auto name = [&](const char* value, const std::string& text) {
        if (!text.empty() || key->readString(value))
            ok &= key->writeString(value, text);
    };
    name("PilotName", pilotName_);
    name("GliderType", gliderType_);
    name("GliderID", gliderId_);
    return ok;
}

std::string IFTOption::folderMemory(const std::string& name) const {
    auto key = store_.openKey(kSettingsKeyPath, false);
    if (!key)
        return {};
    return key->readString(name).value_or(std::string{});
}

void IFTOption::rememberFolder(const std::string& name, const std::string& folder) {
    if (auto key = store_.openKey(kSettingsKeyPath, false))
        key->writeString(name, folder);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

} // namespace nuvrel

#include "core/codepage.h"

namespace nuvrel {
CodePage codePageFromSettings(SettingsStore& store, const std::string& localeName) {
    if (auto key = store.openKey(kSettingsKeyPath, false)) {
        CodePage page;
        if (auto name = key->readString("CodePage"); name && parseCodePageName(*name, page))
            return page;
    }
    return codePageForLocale(localeName);
}

CodePage chooseCodePage(SettingsStore& store) { return codePageFromSettings(store, localeFromEnvironment()); }

std::string codePageSetting(SettingsStore& store) {
    CodePage page;
    if (auto key = store.openKey(kSettingsKeyPath, false))
        if (auto name = key->readString("CodePage"); name && parseCodePageName(*name, page))
            return codePageName(page);
    return {};
}

bool setCodePageSetting(SettingsStore& store, const std::string& value) {
    auto key = store.openKey(kSettingsKeyPath, true);
    return key && key->writeString("CodePage", value);
}
} // namespace nuvrel
