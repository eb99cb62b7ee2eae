// Owns the one Flash control of QuillonFlash and runs it windowless: the control is loaded from
// "Flash.ocx" (or the registered control), activated in place without a window of its own, asked
// to play one movie and, on request, to draw itself into a device context the program supplies.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>

#include "ShockwaveFlash.h"
#include "UniqueHandle.h"

namespace quillon {

class ControlSite;

// Index into the quality names the control understands.
enum FlashQuality { kQualityLow = 0, kQualityMedium = 1, kQualityHigh = 2 };

class MovieHost {
 public:
  enum State { kCreated = 0, kStarted = 1, kEnded = 2 };

  MovieHost();
  ~MovieHost();
  MovieHost(const MovieHost&) = delete;
  MovieHost& operator=(const MovieHost&) = delete;

  // Builds the site and the control and activates the control windowless in "Transparent" mode.
  // False when there is no control to host (no "Flash.ocx" object and none registered, or one
  // without the scripting interface): the host then holds nothing and must not be used further.
  bool Create();
  // Hands the control the movie (ANSI path) and starts it. False when the control would not
  // play it; the movie size then stays 0 x 0 and nothing is ever drawn.
  bool LoadMovie(const char* path, int width, int height);
  void SetQuality(int index);
  void SetLoopOff();
  // Reads the control's frame counters and notices when the movie has stopped playing.
  void Poll();
  // True when the control asked for a redraw since the last call.
  bool TakeRedrawFlag();
  SIZE GetSize() const;
  // Draws the control into `dc` over 0, 0, width, height; with `fillFirst` the area is made
  // white (see-through in QuillonFlash's window) before. False when the control did not draw.
  bool Draw(HDC dc, bool fillFirst);
  // Releases the control, then the site, then unloads "Flash.ocx". Safe to call more than once.
  void Destroy();

  // Called by the site.
  void RequestRedraw() { redraw_ = 1; }
  const RECT& ObjectRect() const { return objectRect_; }

  State GetState() const { return static_cast<State>(state_); }

 private:
  quenda::com_ptr<IOleObject> CreateControlObject();

  LONG state_ = kCreated;
  quenda::unique_hmodule controlModule_;
  quenda::com_ptr<ControlSite> site_;
  quenda::com_ptr<IShockwaveFlash> flash_;
  quenda::com_ptr<IOleObject> object_;
  quenda::com_ptr<IOleInPlaceObjectWindowless> windowless_;
  LONG redraw_ = 1;  // the first tick always draws
  RECT objectRect_ = {0, 0, 0, 0};
  LONG width_ = 0;
  LONG height_ = 0;
};

}  // namespace quillon
