#include "ui/examples.h"

#include <array>

namespace zorvan::ui {

std::span<const Example> examples() {
  static constexpr std::array kExamples{
      Example{"&Polynomial: x³ - 6x² + 11x - 6", "' Roots at 1, 2 and 3\nMyFunction = x^3 - 6*x^2 + 11*x - 6", true, "0", "4"},
      Example{"&Transcendental: Cos(x) = x", "' Where the cosine meets the line\nMyFunction = Cos(x) - x", false, "1", ""},
      Example{"Piecewise with &If",
              "' A function defined in two pieces\nIf x < 1 Then\n  MyFunction = x*x - 2\nElse\n  MyFunction = 2*x - 3\nEnd If",
              true, "-3", "3"},
      Example{"&Series with For",
              "' The first terms of a Fourier series of a square wave, less a half\ns = 0\nFor k = 1 To 15 Step 2\n"
              "  s = s + Sin(k * x) / k\nNext\nMyFunction = 4 * s / (4 * Atn(1)) - 0.5",
              true, "0", "3"},
      Example{"Select &Case",
              "' A staircase less a ramp\nSelect Case Int(x)\n  Case 0\n    y = 1\n  Case 1, 2\n    y = 2\n  Case Else\n"
              "    y = 3\nEnd Select\nMyFunction = x - y",
              true, "0", "4"},
      Example{"&Array of coefficients",
              "' Horner's rule over the coefficients, highest power first\nc = Array(1, 0, -7, 6)\ns = 0\n"
              "For i = 0 To UBound(c)\n  s = s * x + c(i)\nNext\nMyFunction = s",
              true, "-4", "3"},
      Example{"&Double root: (x - 1)²", "' The curve touches zero without crossing it\nMyFunction = (x - 1)^2", true, "-2", "3"},
      Example{"P&ole: 1/(x - 2) - 1",
              "' A root at 3, and a pole at 2 that is no root\nMyFunction = 1 / (x - 2) - 1", true, "0.05", "5"},
  };
  return kExamples;
}

}  // namespace zorvan::ui
