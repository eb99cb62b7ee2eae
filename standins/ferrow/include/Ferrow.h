// Ferrow: downloads one file over HTTP or HTTPS into a local path.
//
// CWebGetFile is meant to be derived from: the derived class overrides OnProgress to learn
// how far a download has come. The DLL exports the class by ordinal only; link through its
// import library (Ferrow.lib / libFerrow.dll.a), which maps the members to their ordinals.
//
// What a download guarantees:
//   - GetFile blocks until the transfer has ended and returns FERROW_OK (0) only when the
//     whole file is in place at the local path. The data goes to "<path>.part" first and is
//     moved over <path> only once complete and of the announced size, so a failed or stopped
//     download never leaves a partial file at <path>, and an older file there survives it.
//   - OnProgress(total, done) is called with growing byte counts, from the thread that runs
//     GetFile. total is 0 while the size is not known yet (a chunked answer). The call with
//     done equal to total comes exactly once, last, and only after the file is in place.
//   - Transient failures (connection refused or lost, time-outs, 408, 429, 5xx) are retried
//     with growing pauses, honouring Retry-After; a lost connection resumes with a Range
//     request when the server supports it. Any other status than 2xx fails at once, and a
//     body that only the closing of the connection delimits is refused, since it can't be
//     told from a truncated one.
//   - StopTransfer, from any thread, makes a running GetFile return FERROW_E_STOPPED within
//     a fraction of a second. A stop made while no GetFile runs is kept for the next one,
//     which returns FERROW_E_STOPPED at once, without connecting or touching the local path:
//     a worker stopped just before its download begins doesn't download. A stop is used up
//     by the GetFile during which it was made (or which it ended before it began), whatever
//     that GetFile returns; a GetFile after it runs as usual. Destroying the object while
//     another thread is inside GetFile stops the transfer and waits until GetFile has
//     returned.
//   - WinINet with the system's proxy settings; nothing goes to the WinINet cache.
//
// OnProgress must not throw: the call comes from inside the DLL.
#pragma once

#if defined(FERROW_BUILD)
#define FERROW_API
#else
#define FERROW_API __declspec(dllimport)
#endif

// Results of GetFile.
enum {
  FERROW_OK = 0,
  FERROW_E_ARGUMENT = 1,     // no address or path, or an address that is not http(s)
  FERROW_E_BUSY = 2,         // GetFile is already running on this object
  FERROW_E_STOPPED = 3,      // StopTransfer (or the destructor) ended the transfer
  FERROW_E_CONNECT = 4,      // the server could not be reached, also after retrying
  FERROW_E_HTTP_STATUS = 5,  // the server answered with a status other than 2xx
  FERROW_E_TIMEOUT = 6,      // the server went silent, also after retrying
  FERROW_E_INCOMPLETE = 7,   // the body was cut short or had the wrong size, also after retrying
  FERROW_E_NO_LENGTH = 8,    // a body delimited only by the connection closing
  FERROW_E_FILE = 9,         // the local file could not be written or moved into place
  FERROW_E_INTERNAL = 10,    // WinINet, thread or memory failure
  FERROW_E_SECURE = 11       // the secure connection failed (certificate, protocol)
};

// Flags of GetFile.
enum {
  FERROW_NO_RETRY = 0x1,  // one attempt only
  FERROW_NO_RESUME = 0x2  // after a lost connection start over instead of asking for the rest
};

class FERROW_API CWebGetFile {
 public:
  // connectTimeoutMs: time allowed to connect and receive the answer's headers (0: 20 s).
  // idleTimeoutMs: longest silence while the body arrives (0: 30 s).
  // maxRetries: further attempts after transient failures without progress (0: 3).
  CWebGetFile(unsigned long connectTimeoutMs, unsigned long idleTimeoutMs,
              unsigned long maxRetries);
  virtual ~CWebGetFile();

  // Progress of the running GetFile; the result is ignored.
  virtual int OnProgress(double total, double done);

  // Non-zero while GetFile runs. A caller whose stop must also hold before the transfer has
  // begun calls StopTransfer without asking this first: it answers 0 in that gap.
  int IsTransferring();
  // Downloads url (http:// or https://) to localPath; both in the thread's ANSI code page.
  // flags: FERROW_NO_RETRY, FERROW_NO_RESUME. Returns FERROW_OK or one of FERROW_E_*.
  int GetFile(const char* url, const char* localPath, unsigned long flags);
  // Ends the running GetFile, or else the next one, with FERROW_E_STOPPED; callable from any
  // thread.
  void StopTransfer();

 private:
  CWebGetFile(const CWebGetFile&) = delete;
  CWebGetFile& operator=(const CWebGetFile&) = delete;

  struct Impl;
  Impl* impl;
};
