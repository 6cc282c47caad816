#include "core/map/calibration_file.h"
#include "core/map/map_file_names.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

namespace nuvrel {
namespace {

TEST(MapFileNames, FilesCopiedFromWindowsAreFoundInAnyCase) {
    test::TempDir dir;
    for (const char* name : {"MAP.BMP", "MAP.DAT", "Map2.bmp", "Map2.DAT", "m0.bmp", "Twice.BMP", "twice.bmp"})
        test::writeFileBytes(dir / name, "x");
    const std::string d = dir.path().string() + "/";
    struct Row {
        const char* asked;
        const char* found;
    };
    const Row rows[] = {
        {"MAP.BMP", "MAP.BMP"}, {"MAP.bmp", "MAP.BMP"}, {"map.dat", "MAP.DAT"}, {"Map2.dat", "Map2.DAT"},
        {"M0.bmp", "m0.bmp"},   {"twice.bmp", "twice.bmp"}, {"TWICE.bmp", "Twice.BMP"}, // first in byte order
        {"M1.bmp", "M1.bmp"}, // missing: the name tried
    };
    FileNameResolver names;
    for (const Row& r : rows)
        EXPECT_EQ(names.resolve(d + r.asked), d + r.found) << r.asked;

    const PlainMapPaths plain = findPlainMapFiles(d + "Map2.bmp");
    EXPECT_EQ(plain.bitmap, d + "Map2.bmp");
    EXPECT_EQ(plain.calibration, d + "Map2.DAT");
}

TEST(MapFileNames, TheCalibrationDialogSavesBesideAnImageNeverOverIt) {
    test::TempDir dir;
    test::writeFileBytes(dir / "Old.DAT", "x");
    const std::string d = dir.path().string() + "/";
    struct Row {
        const char* chosen;
        const char* saved;
    };
    for (const Row& r : {Row{"x.bmp", "x.dat"}, Row{"MAP.BMP", "MAP.DAT"}, Row{"old.bmp", "Old.DAT"},
                         Row{"y.dat", "y.dat"}, Row{"notes.txt", "notes.dat"}, Row{"photo.tif", "photo.dat"},
                         Row{"Alps.TIFF", "Alps.DAT"}, Row{"mymap", "mymap.dat"}, Row{"v1.2/map", "v1.2/map.dat"}})
        EXPECT_EQ(calibrationSavePath(d + r.chosen), d + r.saved) << r.chosen;
}

// Only a calibration file may be replaced by one.
TEST(MapFileNames, ACalibrationFileIsKnownByItsKeys) {
    test::TempDir dir;
    using namespace std::literals;
    const struct {
        std::string_view content;
        bool calibration;
    } rows[] = {
        {"; center of latitude = 35.5\r\nido_top       =  35.527388\r\n", true},
        {"kei_right=139.5", true},
        {"", false},
        {"Nuvrel CE\r\n101\r\n8bp\r\n3\r\n2\r\n", false},
        {"II*\0ido_top = 1\n"sv, false},
        {"notes: ido_top = 1\n", false},
    };
    for (const auto& r : rows) {
        test::writeFileBytes(dir / "m.dat", std::string(r.content));
        EXPECT_EQ(IsCalibrationFile((dir / "m.dat").string()), r.calibration) << r.content;
    }
    test::writeFileBytes(dir / "big.dat", "ido_top = 1\n" + std::string(kMaxCalibrationFileSize, ' '));
    EXPECT_FALSE(IsCalibrationFile((dir / "big.dat").string()));
    EXPECT_FALSE(IsCalibrationFile((dir / "missing.dat").string()));
}

} // namespace
} // namespace nuvrel
