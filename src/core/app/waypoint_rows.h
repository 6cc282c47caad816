// The rows of the waypoint list: the waypoint store as editable texts, one
// row of eight cells per waypoint (Waypoint, Latitude, Longitude, Comment,
// Symbol, dspl, dst, height), the list's editing steps and its clipboard
// text. Cells hold text in the program's code page; nothing is checked
// while editing: the texts are read only when the rows are written back.
#pragma once

#include "core/data/ift_garmin_waypoint.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nuvrel {

// The receiver whose symbol names the list shows and reads.
struct SymbolModel {
    std::int32_t productId = 0;
    std::int32_t softwareVersion = 0;
};

class WaypointRows {
public:
    using Row = IFTGarminWaypoint::GridRow;
    static constexpr int kColumns = 8;

    struct Column {
        const char* title;
        int width; // pixels, as the list lays them out
    };
    // The eight cell columns in order; the row-number column before them is
    // kNumberColumnWidth wide.
    static constexpr std::array<Column, kColumns> kColumnInfo{{{"Waypoint", 64},
                                                               {"Latitude", 90},
                                                               {"Longitude", 90},
                                                               {"Comment", 120},
                                                               {"Symbol", 136},
                                                               {"dspl", 40},
                                                               {"dst", 40},
                                                               {"height", 80}}};
    static constexpr int kNumberColumnWidth = 40;
    static constexpr int kSymbolColumn = 4; // 0-based among the eight

    // One empty row.
    WaypointRows();
    // One row per waypoint of the store; one empty row for no store or an
    // empty one.
    WaypointRows(const IFTGarminWaypoint* store, SymbolModel model);

    // The texts of waypoint i: the name, both positions in the
    // degrees-minutes-seconds form, the comment, the symbol's name for the
    // receiver, the display option, and proximity and altitude in their
    // shortest decimal form.
    static Row rowTexts(const IFTGarminWaypoint& store, std::size_t i, SymbolModel model);
    // The shortest text that reads back as the same single-precision value
    // ("0.1", "1234", "-5.25"); exponent form only for very large or small values.
    static std::string numberText(float value);

    std::size_t size() const { return rows_.size(); }
    const std::vector<Row>& rows() const { return rows_; }
    const Row& row(std::size_t r) const { return rows_[r]; }
    // column 0 to 7; an empty text outside the rows.
    const std::string& cell(std::size_t r, int column) const;
    void setCell(std::size_t r, int column, std::string text);

    // Appends an empty row; returns its index.
    std::size_t addRow();
    // Removes rows first to last (inclusive). Nothing happens for a range
    // outside the rows. The last row removed leaves one empty row, so the
    // list never shows none. Returns whether rows were removed.
    bool removeRows(std::size_t first, std::size_t last);

    // Rows first to last (clamped to the rows), each as its eight cells
    // separated by tabs and ended by a line feed.
    std::string copyText(std::size_t first, std::size_t last) const;

    // The rows that clipboard text stands for: one per line (lines end at a
    // line feed; a carriage return before it is dropped; no row after a
    // final line feed), fields separated by tabs or commas, filling the
    // cells from the first; fields after the eighth are ignored, missing
    // ones are empty.
    static std::vector<Row> parseClipboardText(std::string_view text);
    // Appends the rows of clipboard text. The first of them replaces the
    // last row when its name cell is empty (the row that Add leaves or the
    // empty list shows). Returns the index of the first row filled, or
    // size() when the text held no line.
    std::size_t paste(std::string_view text);

    // A new waypoint store rebuilt from the rows (one waypoint per row),
    // positions read by the angle parser, symbol names by the receiver's
    // table. Throws std::bad_alloc when memory runs out.
    IFTGarminWaypoint toStore(SymbolModel model) const;

private:
    std::vector<Row> rows_;
};

} // namespace nuvrel
