// The user's settings record. Construction loads it from the settings store,
// save() (called once at exit) writes it back; in between, dialogs change it
// in memory only.
#pragma once

#include "core/platform.h"

#include <cstdint>
#include <string>

namespace nuvrel {

class IFTOption {
public:
    // Sets the defaults and reads the store's key, if it exists.
    explicit IFTOption(SettingsStore& store);
    IFTOption(const IFTOption&) = delete;
    IFTOption& operator=(const IFTOption&) = delete;

    // Writes all fourteen values (and the flight-log names once given), creating the key if needed. Returns false
    // (and writes nothing) when the key cannot be opened.
    bool save();

    const std::string& GPSModel() const { return gpsModel_; }
    std::int32_t GPSModelID() const { return gpsModelId_; }
    std::int32_t GPSCharSet() const { return gpsCharSet_; }
    std::int32_t CommPort() const { return commPort_; }
    std::int32_t PenColor() const { return penColor_; }
    std::int32_t PenWidth() const { return penWidth_; }
    std::int32_t MapScale() const { return mapScale_; }
    std::int32_t MapWidth() const { return mapWidth_; }
    std::int32_t MapHeight() const { return mapHeight_; }
    const std::string& TraceMark() const { return traceMark_; }
    const std::string& DatumName() const { return datumName_; }
    std::int32_t MapLoadWithStart() const { return mapLoadWithStart_; }
    std::int32_t TextCoordinateFormat() const { return textCoordinateFormat_; }
    std::int32_t GPSSoftwareVersion() const { return gpsSoftwareVersion_; }
    // The pilot and the glider, for the headers of flight logs (IGC).
    const std::string& PilotName() const { return pilotName_; }
    const std::string& GliderType() const { return gliderType_; }
    const std::string& GliderID() const { return gliderId_; }

    void SetGPSModel(const std::string& v) { gpsModel_ = v; }
    void SetGPSModelID(std::int32_t v) { gpsModelId_ = v; }
    void SetGPSCharSet(std::int32_t v) { gpsCharSet_ = v; }
    // Ports 1 to 8 only; any other value is ignored.
    void SetCommPort(std::int32_t v) {
        if (v >= 1 && v <= 8)
            commPort_ = v;
    }
    void SetPenColor(std::int32_t v) { penColor_ = v; }
    void SetPenWidth(std::int32_t v) { penWidth_ = v; }
    void SetMapScale(std::int32_t v) { mapScale_ = v; }
    void SetMapWidth(std::int32_t v) { mapWidth_ = v; }
    void SetMapHeight(std::int32_t v) { mapHeight_ = v; }
    void SetTraceMark(const std::string& v) { traceMark_ = v; }
    void SetDatumName(const std::string& v) { datumName_ = v; }
    void SetMapLoadWithStart(std::int32_t v) { mapLoadWithStart_ = v; }
    void SetTextCoordinateFormat(std::int32_t v) { textCoordinateFormat_ = v; }
    void SetGPSSoftwareVersion(std::int32_t v) { gpsSoftwareVersion_ = v; }
    void SetPilotName(const std::string& v) { pilotName_ = v; }
    void SetGliderType(const std::string& v) { gliderType_ = v; }
    void SetGliderID(const std::string& v) { gliderId_ = v; }

    // The folder memories kept beside the settings ("nuvreldata", "mappath").
    // They are read and written at once, and only while the key exists.
    std::string folderMemory(const std::string& name) const;
    void rememberFolder(const std::string& name, const std::string& folder);

    SettingsStore& store() const { return store_; }

private:
    void load();

    SettingsStore& store_;
    std::string gpsModel_ = "GPS II";
    std::int32_t gpsModelId_ = 59;
    std::int32_t gpsCharSet_ = 1;
    std::int32_t commPort_ = 1;
    std::int32_t penColor_ = 255;
    std::int32_t penWidth_ = 1;
    std::int32_t mapScale_ = 25000;
    std::int32_t mapWidth_ = 1004;
    std::int32_t mapHeight_ = 632;
    std::string traceMark_ = "HANGGLIDER";
    std::string datumName_ = "Tokyo";
    std::int32_t mapLoadWithStart_ = 0;
    std::int32_t textCoordinateFormat_ = 1;
    std::int32_t gpsSoftwareVersion_ = 0;
    std::string pilotName_;
    std::string gliderType_;
    std::string gliderId_;
};

// Names of the folder memories.
inline constexpr const char* kDataFolderValue = "nuvreldata";
inline constexpr const char* kMapFolderValue = "mappath";

// The folder part of a path, with its trailing "/" ("" when there is none).
std::string FolderOf(const std::string& path);

} // namespace nuvrel

namespace nuvrel {
// The code page of the program: the optional "CodePage" setting, else the one
// the locale calls for.
enum class CodePage;
CodePage codePageFromSettings(SettingsStore& store, const std::string& localeName);
// The same with the locale of the environment (LC_ALL, LC_CTYPE, LANG): the
// one choice both programs make at start-up.
CodePage chooseCodePage(SettingsStore& store);
// The "CodePage" setting as stored: "CP932", "UTF-8", or "" for automatic
// (the locale decides). Read and written at once, like the folder memories.
std::string codePageSetting(SettingsStore& store);
bool setCodePageSetting(SettingsStore& store, const std::string& value);
} // namespace nuvrel
