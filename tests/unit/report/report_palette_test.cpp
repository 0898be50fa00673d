// The records' and the keyboard guide's colours as eyes that lack one kind
// of cone see them: each group's colours stay apart under the three
// simulations (Machado, Oliveira and Fernandes 2009, full severity), by
// their distance in CIELAB.
#include <gtest/gtest.h>

#include <QColor>
#include <array>
#include <cmath>
#include <vector>

#include "drill/keyboard_guide.h"
#include "report/palette.h"

namespace shurencho {
namespace {

using Matrix = std::array<std::array<double, 3>, 3>;
using Lab = std::array<double, 3>;

double Linear(int c) {
  const double v = c / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

Lab Seen(const char* hex, const Matrix& m) {
  const QColor c(QString::fromLatin1(hex));
  const std::array<double, 3> rgb = {Linear(c.red()), Linear(c.green()), Linear(c.blue())};
  std::array<double, 3> s{};
  for (int i = 0; i < 3; ++i)
    s[i] = std::clamp(m[i][0] * rgb[0] + m[i][1] * rgb[1] + m[i][2] * rgb[2], 0.0, 1.0);
  const double x = 0.4124 * s[0] + 0.3576 * s[1] + 0.1805 * s[2];
  const double y = 0.2126 * s[0] + 0.7152 * s[1] + 0.0722 * s[2];
  const double z = 0.0193 * s[0] + 0.1192 * s[1] + 0.9505 * s[2];
  const auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
  const double fx = f(x / 0.95047), fy = f(y), fz = f(z / 1.08883);
  return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

TEST(Palette, EachGroupStaysApartForEveryEye) {
  const std::array<std::pair<const char*, Matrix>, 4> eyes = {{
      {"typical", {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
      {"protanopia",
       {{{0.152286, 1.052583, -0.204868}, {0.114503, 0.786281, 0.099216}, {-0.003882, -0.048116, 1.051998}}}},
      {"deuteranopia",
       {{{0.367322, 0.860646, -0.227968}, {0.280085, 0.672501, 0.047413}, {-0.011820, 0.042940, 0.968881}}}},
      {"tritanopia",
       {{{1.255528, -0.076749, -0.178779}, {-0.078411, 0.930809, 0.147602}, {0.004733, 0.691367, 0.303900}}}},
  }};
  // Pale backgrounds are told apart at a smaller distance than lines.
  std::vector<std::pair<std::vector<const char*>, double>> groups = {
      {{palette::kBandBelow, palette::kBandBetween, palette::kBandAbove}, 8},
      {{palette::kGames.begin(), palette::kGames.end()}, 15},
      {{palette::kMeanLine, palette::kBestLine}, 15},
      {{palette::kAccuracyLine, palette::kKeysLine}, 15},
      {{palette::kStepReached, palette::kStepAhead}, 15},
  };
  // The guide's fingers, strong and pale: pinky, ring, middle, index, thumb.
  for (const bool strong : {true, false}) {
    std::vector<const char*> fingers;
    for (const Finger f :
         {Finger::LeftPinky, Finger::LeftRing, Finger::LeftMiddle, Finger::LeftIndex, Finger::Thumb})
      fingers.push_back(FingerColour(f, strong));
    groups.push_back({fingers, strong ? 15.0 : 8.0});
  }
  for (const auto& [name, m] : eyes) {
    for (const auto& [colours, least] : groups) {
      for (size_t i = 0; i < colours.size(); ++i) {
        for (size_t j = i + 1; j < colours.size(); ++j) {
          const Lab a = Seen(colours[i], m), b = Seen(colours[j], m);
          const double d = std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
          EXPECT_GE(d, least) << name << ": " << colours[i] << " and " << colours[j];
        }
      }
    }
  }
}

}  // namespace
}  // namespace shurencho
