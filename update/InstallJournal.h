// The journal of an install: what a commit is about to rename, written before the first
// rename so that an updater killed halfway (or a machine losing power) leaves enough behind
// for the next start to finish the job or undo it.
//
// The journal names the files and the new folders only. Where each file stands is read from
// the disk, because a rename is atomic: a file not yet moved in is still in the staging folder;
// an old file moved aside is in the backup folder; a file with neither was moved in and had no
// old version. Portable, because it is read back from disk at every start.
#pragma once

#include <string>
#include <vector>

#include "Utf16.h"

struct InstallJournal {
  enum class State {
    kCommit,    // moving the new files in; an interrupted commit is carried on
    kRollback,  // the commit failed; an interrupted rollback is carried on
  };
  State state = State::kCommit;
  // Folders the commit creates in the installation, outermost first.
  std::vector<Utf16String> newFolders;
  // Files the commit puts in place, relative to the installation folder, in commit order.
  std::vector<Utf16String> files;
};

// UTF-8 text, one line per item, ending with a line that counts them (a journal cut short is
// never taken for a whole one).
std::string SerializeJournal(const InstallJournal& journal);

// False for anything that is not a whole journal of this format, or that names a path which
// could leave the installation folder.
bool ParseJournal(const std::string& text, InstallJournal* journal);
