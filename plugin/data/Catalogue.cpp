// Enumeration strings of the catalogue and the generated tables.
#include "data/Catalogue.h"

namespace morvel::stratix5 {

// The three H descriptions have no blank before the parenthesis; the F ones have one.
const TEnumStrings kPackageStrings[7] = {
    {"F35", "FBGA1152", "1152-Ball FineLine Ball Grid Array (FBGA1152)"},
    {"F40", "FBGA1517", "1517-Ball FineLine Ball Grid Array (FBGA1517)"},
    {"F43", "FBGA1760", "1760-Ball FineLine Ball Grid Array (FBGA1760)"},
    {"F45", "FBGA1932", "1932-Ball FineLine Ball Grid Array (FBGA1932)"},
    {"H29", "HBGA780", "780-Hybrid FineLine Ball Grid Array(HBGA780)"},
    {"H40", "HBGA1517", "1517-Hybrid FineLine Ball Grid Array(HBGA1517)"},
    {"H43", "HBGA1760", "1760-Hybrid FineLine Ball Grid Array(HBGA1760)"},
};

const char* const kPackageDimensions[7] = {"35 x 35 mm", "40 x 40 mm", "43 x 43 mm", "45 x 45 mm",
                                           "29 x 29 mm", "40 x 40 mm", "43 x 43 mm"};

const TEnumStrings kPackageTypeStrings[2] = {
    {"F", "FBGA", "FineLine Ball Grid Array (F)"},
    {"H", "HBGA", "Hybrid FineLine Ball Grid Array (H)"},
};

const TEnumStrings kTemperatureGradeStrings[2] = {
    {"C", "Commercial", "Commercial Grade"},
    {"I", "Industrial", "Industrial Grade"},
};

const TEnumStrings kSpeedGradeStrings[4] = {
    {"1", "1", "Speed Grade 1 (Fastest)"},
    {"2", "2", "Speed Grade 2"},
    {"3", "3", "Speed Grade 3"},
    {"4", "4", "Speed Grade 4 (Slowest)"},
};

const TEnumStrings kOptionDesignatorStrings[4] = {
    {"ESN", "ESN", "Engineering sample and Pb-Free"},
    {"LN", "LN", "Low-voltage device and Pb-Free"},
    {"N", "N", "Pb-Free"},
    {"None", "Standard", "Standard Configuration"},
};

#include "data/CatalogueTables.inc"

}  // namespace morvel::stratix5
