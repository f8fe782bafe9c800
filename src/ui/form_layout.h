#pragma once
// Where each control of the form stands: its object name, its parent's, and
// its left, top, width and height in twips of the parent's client area. The
// window places its controls from this table, and its test checks them
// against it.

namespace zorvan::ui {

struct ControlPlace {
  const char* name;
  const char* parent;
  int left, top, width, height;
};

inline constexpr ControlPlace kFormLayout[] = {
    {"lblUserFN", "clientArea", 240, 120, 5535, 255},
    {"txtInput", "clientArea", 120, 360, 5535, 975},
    {"Frame1", "clientArea", 120, 1560, 5535, 1455},
    {"Option1_0", "Frame1", 360, 240, 1935, 255},
    {"Option1_1", "Frame1", 3240, 240, 2175, 255},
    {"Label1_0", "Frame1", 240, 600, 1095, 255},
    {"txtLower", "Frame1", 1320, 570, 855, 285},
    {"Label1_1", "Frame1", 240, 1080, 1095, 255},
    {"txtUpper", "Frame1", 1320, 1050, 855, 285},
    {"txtApprox", "Frame1", 3600, 600, 855, 285},
    {"chkNonNegative", "Frame1", 3600, 1080, 1695, 255},
    {"cmdSolve", "clientArea", 120, 3240, 735, 375},
    {"txtResult", "clientArea", 960, 3240, 4695, 855},
};

}  // namespace zorvan::ui
