// The test control's movie format: what it accepts, and that it refuses bad files clearly.
#include <gtest/gtest.h>

#include <string>

#include "MovieFile.h"

using flashctl::Movie;
using flashctl::ParseMovie;
using flashctl::Shape;

namespace {

std::string ErrorOf(const std::string& text) {
  Movie movie;
  std::string error;
  EXPECT_FALSE(ParseMovie(text, &movie, &error)) << text;
  return error;
}

TEST(MovieFile, ReadsFramesShapesAndSettings) {
  const std::string text =
      "QMOVIE 1\r\n"
      "# a comment\r\n"
      "\r\n"
      "stage 100 50\r\n"
      "rate 20\r\n"
      "invalidate 3\r\n"
      "option fail-play\n"
      "option no-viewobject\n"
      "option no-inplaceobject\n"
      "option leak-reference\n"
      "frame\n"
      "  rect 1 2 30 40 FF0000\n"
      "\tellipse -5 0 99999 100000 00a0Ff\n"
      "frame\n"
      "frame\n"
      "rect 0 0 1 1 ffffff";
  Movie movie;
  std::string error;
  ASSERT_TRUE(ParseMovie(text, &movie, &error)) << error;
  EXPECT_EQ(movie.stageWidth, 100);
  EXPECT_EQ(movie.stageHeight, 50);
  EXPECT_EQ(movie.rate, 20);
  EXPECT_EQ(movie.invalidations, 3);
  EXPECT_TRUE(movie.failPlay && movie.noViewObject && movie.noInPlaceObject && movie.leakReference);
  ASSERT_EQ(movie.frames.size(), 3u);
  ASSERT_EQ(movie.frames[0].size(), 2u);
  EXPECT_TRUE(movie.frames[1].empty());
  const Shape& rect = movie.frames[0][0];
  EXPECT_EQ(rect.kind, Shape::kRect);
  EXPECT_EQ(rect.left, 1);
  EXPECT_EQ(rect.top, 2);
  EXPECT_EQ(rect.right, 30);
  EXPECT_EQ(rect.bottom, 40);
  EXPECT_EQ(rect.rgb, 0xFF0000u);
  const Shape& ellipse = movie.frames[0][1];
  EXPECT_EQ(ellipse.kind, Shape::kEllipse);
  EXPECT_EQ(ellipse.left, -5);
  EXPECT_EQ(ellipse.bottom, 100000);
  EXPECT_EQ(ellipse.rgb, 0x00A0FFu);
  EXPECT_EQ(movie.frames[2][0].rgb, 0xFFFFFFu);
}

TEST(MovieFile, DefaultsForAMinimalFile) {
  Movie movie;
  std::string error;
  ASSERT_TRUE(ParseMovie("QMOVIE 1\n", &movie, &error)) << error;
  EXPECT_EQ(movie.stageWidth, 850);
  EXPECT_EQ(movie.stageHeight, 850);
  EXPECT_EQ(movie.rate, 5);
  EXPECT_EQ(movie.invalidations, 1);
  EXPECT_FALSE(movie.failPlay || movie.noViewObject || movie.noInPlaceObject ||
               movie.leakReference);
  EXPECT_TRUE(movie.frames.empty());
}

TEST(MovieFile, ErrorsNameTheLineAndTheProblem) {
  EXPECT_EQ(ErrorOf(""), "line 1: empty file");
  EXPECT_EQ(ErrorOf("# only a comment\n"), "line 1: empty file");
  EXPECT_EQ(ErrorOf("QMOVIE 2\n"), "line 1: not a QMOVIE 1 file");
  EXPECT_EQ(ErrorOf("\nrect 0 0 1 1 000000\n"), "line 2: not a QMOVIE 1 file");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nrect 0 0 1 1 000000\n"), "line 2: shape before the first frame");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nrect 0 0 1 000000\n"),
            "line 3: rect needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nellipse 0 0 1 1 00000G\n"),
            "line 3: ellipse needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nrect 0 0 1 1 0000000\n"),
            "line 3: rect needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nrect 0 0 100001 1 000000\n"),
            "line 3: rect needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nrect 0 0 12a 1 000000\n"),
            "line 3: rect needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe\nrect 0 - 1 1 000000\n"),
            "line 3: rect needs left top right bottom RRGGBB");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nrate 0\n"), "line 2: rate must be 1 to 50");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nrate 51\n"), "line 2: rate must be 1 to 50");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nrate 99999999999999\n"), "line 2: rate must be 1 to 50");
  EXPECT_EQ(ErrorOf("QMOVIE 1\ninvalidate 17\n"), "line 2: invalidate must be 1 to 16");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nstage 0 10\n"),
            "line 2: stage needs a width and a height from 1 to 100000");
  EXPECT_EQ(ErrorOf("QMOVIE 1\noption loud\n"), "line 2: unknown option loud");
  EXPECT_EQ(ErrorOf("QMOVIE 1\nframe 2\n"), "line 2: frame takes nothing");
  EXPECT_EQ(ErrorOf("QMOVIE 1\ncircle 1 2 3\n"), "line 2: unknown keyword circle");
}

TEST(MovieFile, LimitsHoldAgainstHugeFiles) {
  std::string frames = "QMOVIE 1\n";
  for (int i = 0; i <= flashctl::kMaxFrames; ++i) frames += "frame\n";
  EXPECT_EQ(ErrorOf(frames),
            "line " + std::to_string(flashctl::kMaxFrames + 2) + ": too many frames");

  std::string shapes = "QMOVIE 1\nframe\n";
  for (int i = 0; i <= flashctl::kMaxShapes; ++i) shapes += "rect 0 0 1 1 000000\n";
  EXPECT_EQ(ErrorOf(shapes),
            "line " + std::to_string(flashctl::kMaxShapes + 3) + ": too many shapes");
}

TEST(MovieFile, FailureLeavesTheMovieUntouched) {
  Movie movie;
  movie.rate = 42;
  std::string error;
  EXPECT_FALSE(ParseMovie("QMOVIE 1\nrate 7\nframe\nbogus\n", &movie, &error));
  EXPECT_EQ(movie.rate, 42);
  EXPECT_TRUE(movie.frames.empty());
}

}  // namespace
