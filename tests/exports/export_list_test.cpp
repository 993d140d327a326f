#include "exports/export_table.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

namespace zrt {
namespace {

// The ordinals the interpreter's declarations use; nothing else may appear.
const std::map<std::string, uint32_t> kAssigned = {
    {"Init", 3},           {"New", 4},           {"Describe", 5},      {"Get", 6},
    {"Put", 7},            {"Close", 8},         {"Save", 9},          {"Calc", 10},
    {"Remove", 11},        {"Rename", 12},       {"Transpose", 13},    {"Reduce", 14},
    {"FileRead", 30},      {"FileWrite", 31},    {"XC", 40},           {"APLFreeRes", 41},
    {"LogIn", 50},         {"LogOut", 51},       {"LockNLD", 52},      {"ReleaseNLD", 53},
    {"WildIota", 60},      {"myDate", 61},       {"DllSep", 63},       {"DllCntCols", 64},
    {"LComb", 65},         {"CorrectWtd", 66},   {"RowFind", 67},      {"RangeAlloc", 68},
    {"Dir", 69},           {"DirMore", 70},      {"Erase", 71},        {"Copy", 72},
    {"WRename", 73},       {"DateToYMD", 74},    {"DateToYWD", 75},    {"DateFromYMD", 76},
    {"DateFromYWD", 77},   {"DirX", 80},         {"DirMoreX", 81},     {"APLGetVersion", 82},
    {"PackFile", 83},      {"UnPackFile", 84},   {"Match", 85},        {"FlagNonZeroPages", 86},
    {"FindFirstNonZeroPage", 87}, {"CalculateCRC32", 88}, {"APLCalcSize", 89},
    {"APLPack", 90},       {"APLUnPack", 91},    {"BrowseDirectory", 92}, {"DateInit", 100},
};

TEST(ExportList, EveryRowHasItsAssignedOrdinalOnce) {
    uint32_t count = 0;
    const ExportRow* rows = ExportRows(count);
    std::set<std::string> names;
    std::set<uint32_t> ordinals;
    for (uint32_t i = 0; i < count; ++i) {
        SCOPED_TRACE(rows[i].name);
        auto it = kAssigned.find(rows[i].name);
        ASSERT_NE(it, kAssigned.end());
        EXPECT_EQ(rows[i].ordinal, it->second);
        EXPECT_TRUE(names.insert(rows[i].name).second);
        EXPECT_TRUE(ordinals.insert(rows[i].ordinal).second);
        // The table holds the function for exactly the forms XC can call.
        EXPECT_EQ(rows[i].array != nullptr, rows[i].form == ExportForm::Array);
        EXPECT_EQ(rows[i].pair != nullptr, rows[i].form == ExportForm::Pair);
    }
    EXPECT_NE(FindExport("Init"), nullptr);
    EXPECT_EQ(FindExport("init"), nullptr);  // names are exact
    EXPECT_EQ(FindExport("CleanUp"), nullptr);
}

}  // namespace
}  // namespace zrt
