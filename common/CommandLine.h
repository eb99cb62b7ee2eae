// CCommandLine: the command-line splitter shared by update, vintor and pellam.
//
// It keeps one writable copy of the whole command line (program path included) and cuts it
// in place into at most 25 tokens. Its quoting rules are deliberately not the usual Windows
// rules, and callers count tokens with them:
//   - only the space (0x20) separates; a tab is an ordinary character;
//   - a quote in the middle of a token ends the token and opens the quoted state, so ab"c d"
//     gives the two tokens ab and c d;
//   - the character right after an opening quote belongs to the token unexamined, so an empty
//     quoted argument "" starts a token at its second quote and runs to the next quote;
//   - everything after the 25th token is ignored.
#pragma once

#include "Utf16.h"

class CCommandLine {
 public:
  static const int MAX_TOKENS = 25;

  explicit CCommandLine(const Utf16Char* commandLine);
  ~CCommandLine();

  CCommandLine(const CCommandLine&) = delete;
  CCommandLine& operator=(const CCommandLine&) = delete;

  // Number of tokens found, 0 to 25.
  int GetCount() const { return count; }
  // Token i for 0 <= i < GetCount(); token 0 is the program path. Out of range: nullptr.
  const Utf16Char* GetToken(int i) const { return (i >= 0 && i < count) ? tokens[i] : nullptr; }
  const Utf16Char* operator[](int i) const { return GetToken(i); }

 private:
  void Split();

  Utf16Char* buffer;              // writable copy of the command line, or null when empty
  Utf16Char* tokens[MAX_TOKENS];  // each points into buffer
  int count;
};
