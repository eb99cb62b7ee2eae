#include "MovieFile.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace flashctl {

namespace {

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A whole decimal number (optional minus) within [low, high].
bool ParseInt(const std::string& word, long low, long high, int* out) {
  if (word.empty() || word.size() > 12) return false;
  size_t i = word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  for (size_t k = i; k < word.size(); ++k) {
    if (word[k] < '0' || word[k] > '9') return false;
  }
  errno = 0;
  const long value = std::strtol(word.c_str(), nullptr, 10);
  if (errno != 0 || value < low || value > high) return false;
  *out = static_cast<int>(value);
  return true;
}

bool ParseColour(const std::string& word, std::uint32_t* out) {
  if (word.size() != 6) return false;
  std::uint32_t value = 0;
  for (char c : word) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  *out = value;
  return true;
}

}  // namespace

bool ParseMovie(const std::string& text, Movie* movie, std::string* error) {
  Movie parsed;
  int shapes = 0;
  int lineNumber = 0;
  bool sawHeader = false;
  std::string problem;

  size_t pos = 0;
  while (problem.empty() && pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::vector<std::string> w = SplitWords(text.substr(pos, end - pos));
    pos = end + 1;
    ++lineNumber;
    if (w.empty() || w[0][0] == '#') continue;

    const std::string& key = w[0];
    if (!sawHeader) {
      if (key != "QMOVIE" || w.size() != 2 || w[1] != "1") problem = "not a QMOVIE 1 file";
      sawHeader = true;
    } else if (key == "stage") {
      if (w.size() != 3 || !ParseInt(w[1], 1, kMaxCoordinate, &parsed.stageWidth) ||
          !ParseInt(w[2], 1, kMaxCoordinate, &parsed.stageHeight)) {
        problem = "stage needs a width and a height from 1 to 100000";
      }
    } else if (key == "rate") {
      if (w.size() != 2 || !ParseInt(w[1], 1, 50, &parsed.rate)) problem = "rate must be 1 to 50";
    } else if (key == "invalidate") {
      if (w.size() != 2 || !ParseInt(w[1], 1, 16, &parsed.invalidations)) {
        problem = "invalidate must be 1 to 16";
      }
    } else if (key == "option") {
      if (w.size() != 2) {
        problem = "option needs one name";
      } else if (w[1] == "fail-play") {
        parsed.failPlay = true;
      } else if (w[1] == "no-viewobject") {
        parsed.noViewObject = true;
      } else if (w[1] == "no-inplaceobject") {
        parsed.noInPlaceObject = true;
      } else if (w[1] == "leak-reference") {
        parsed.leakReference = true;
      } else {
        problem = "unknown option " + w[1];
      }
    } else if (key == "frame") {
      if (w.size() != 1) {
        problem = "frame takes nothing";
      } else if (static_cast<int>(parsed.frames.size()) >= kMaxFrames) {
        problem = "too many frames";
      } else {
        parsed.frames.emplace_back();
      }
    } else if (key == "rect" || key == "ellipse") {
      Shape s;
      s.kind = key == "rect" ? Shape::kRect : Shape::kEllipse;
      if (parsed.frames.empty()) {
        problem = "shape before the first frame";
      } else if (w.size() != 6 || !ParseInt(w[1], -kMaxCoordinate, kMaxCoordinate, &s.left) ||
                 !ParseInt(w[2], -kMaxCoordinate, kMaxCoordinate, &s.top) ||
                 !ParseInt(w[3], -kMaxCoordinate, kMaxCoordinate, &s.right) ||
                 !ParseInt(w[4], -kMaxCoordinate, kMaxCoordinate, &s.bottom) ||
                 !ParseColour(w[5], &s.rgb)) {
        problem = key + " needs left top right bottom RRGGBB";
      } else if (++shapes > kMaxShapes) {
        problem = "too many shapes";
      } else {
        parsed.frames.back().push_back(s);
      }
    } else {
      problem = "unknown keyword " + key;
    }
  }
  if (problem.empty() && !sawHeader) {
    lineNumber = 1;
    problem = "empty file";
  }
  if (!problem.empty()) {
    if (error) {
      std::ostringstream out;
      out << "line " << lineNumber << ": " << problem;
      *error = out.str();
    }
    return false;
  }
  *movie = std::move(parsed);
  return true;
}

}  // namespace flashctl
