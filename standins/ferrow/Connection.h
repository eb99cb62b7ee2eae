// One attempt's network side: a thread of its own opens the address through WinINet and reads
// the body into two buffers in turn, while the thread in GetFile writes the other one to disk.
//
// Synchronous WinINet can't be interrupted reliably everywhere (under Wine neither closing the
// handle nor a receive time-out ends a blocked read), so the thread in GetFile never waits on
// WinINet itself: it waits on events with its own time-outs and its stop event, and when it
// gives up on an attempt it abandons the connection. The connection thread alone touches its
// WinINet handles; it notices the abandonment as soon as its current call returns, closes them
// and ends. Until then it keeps the connection object and the DLL's code alive by holding a
// reference to each, so nothing it uses can go away beneath it.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "InternetHandle.h"

namespace ferrow {

struct Response {
  DWORD openError = 0;  // non-zero: no answer (WinINet error code)
  DWORD status = 0;
  std::string contentLength, transferEncoding, contentRange, retryAfter, etag, lastModified;
};

class Connection {
 public:
  // Starts the thread for one request; extraHeaders are CRLF-terminated lines (may be empty).
  // Null when the thread can't be started.
  static Connection* Start(const std::wstring& url, const std::wstring& extraHeaders,
                           DWORD connectTimeoutMs, DWORD idleTimeoutMs);

  enum Wait { kReady, kStopped, kTimedOut };

  // Waits for the answer's headers, or for `stop`, or for the time-out.
  Wait WaitForResponse(HANDLE stop, DWORD timeoutMs);
  // Valid after WaitForResponse gave kReady.
  const Response& response() const { return response_; }

  // The next block of the body. `end` with error 0: the body is complete as far as WinINet
  // can tell; `end` with an error: the connection failed. The block stays valid until
  // Recycle(); then the thread may fill its buffer again.
  struct Block {
    const char* data = nullptr;
    DWORD size = 0;
    DWORD error = 0;
    bool end = false;
  };
  Wait NextBlock(HANDLE stop, DWORD timeoutMs, Block* block);
  void Recycle();

  // Gives the connection up: the thread ends as soon as it can. The caller must not use the
  // object afterwards.
  void Abandon();

 private:
  static const DWORD kBufferSize = 4 << 20;
  static const DWORD kFirstRead = 16 << 10;

  Connection(const std::wstring& url, const std::wstring& extraHeaders, DWORD connectTimeoutMs,
             DWORD idleTimeoutMs);
  ~Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  static DWORD WINAPI ThreadProc(void* self);
  // Waits for `ready`, or for `stop` (which wins when both are set), or for the time-out.
  static Wait WaitEither(HANDLE stop, HANDLE ready, DWORD timeoutMs);
  void Work();
  void ReadResponse(HINTERNET request);
  void Pump(HINTERNET request);
  void Release();
  bool Abandoned() const { return InterlockedCompareExchange(&abandoned_, 0, 0) != 0; }

  std::wstring url_, extraHeaders_;
  DWORD connectTimeoutMs_, idleTimeoutMs_;
  Response response_;

  HMODULE module_ = nullptr;  // this DLL, held by the thread while it runs
  volatile LONG refs_ = 2;    // the caller and the thread
  mutable volatile LONG abandoned_ = 0;
  quenda::unique_handle abandonEvent_, responseEvent_, freeSlots_, filledSlots_;
  std::unique_ptr<char[]> buffers_[2];
  Block blocks_[2];
  unsigned producer_ = 0, consumer_ = 0;
};

}  // namespace ferrow
