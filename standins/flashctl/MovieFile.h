// The test control's movie format: a small text file of frames of coloured shapes, plus a few
// switches that make the control misbehave on purpose so each failure path of the host can be
// exercised. Portable, so the parser is tested under the sanitizers and fuzzed natively.
//
//   QMOVIE 1                  first line, always
//   # comment                 (blank lines and comments anywhere)
//   stage 850 850             coordinate space of the shapes (default 850 x 850)
//   rate 5                    frames per second, 1..50 (default 5)
//   invalidate 3              invalidations sent to the site per frame change, 1..16 (default 1)
//   option fail-play          Play answers E_FAIL
//   option no-viewobject      no IViewObject (nothing can be drawn)
//   option no-inplaceobject   no IOleInPlaceObject (object rectangles cannot be set)
//   option leak-reference     the control keeps a reference to itself once playing
//   frame                     starts the next frame; the shapes below belong to it
//   rect L T R B RRGGBB       filled rectangle, right and bottom exclusive
//   ellipse L T R B RRGGBB    filled ellipse inside that rectangle
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace flashctl {

struct Shape {
  enum Kind { kRect, kEllipse };
  Kind kind = kRect;
  int left = 0, top = 0, right = 0, bottom = 0;
  std::uint32_t rgb = 0;  // 0xRRGGBB
};

struct Movie {
  int stageWidth = 850;
  int stageHeight = 850;
  int rate = 5;
  int invalidations = 1;
  bool failPlay = false;
  bool noViewObject = false;
  bool noInPlaceObject = false;
  bool leakReference = false;
  std::vector<std::vector<Shape>> frames;
};

// Limits that keep a hostile file from making the control allocate without bound.
constexpr int kMaxFrames = 10000;
constexpr int kMaxShapes = 100000;  // over all frames
constexpr int kMaxCoordinate = 100000;

// Parses `text`; on failure `error` says where and why ("line 3: ...") and `movie` is untouched.
bool ParseMovie(const std::string& text, Movie* movie, std::string* error);

}  // namespace flashctl
