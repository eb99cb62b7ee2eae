// CWebGetFile: one download at a time per object, retried and resumed as long as the server
// lets it make progress, written beside the target and moved into place only when complete.
#include "Ferrow.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "Connection.h"
#include "HttpFields.h"

using ferrow::Connection;

namespace {

const DWORD kDefaultConnectTimeoutMs = 20000;
const DWORD kDefaultIdleTimeoutMs = 30000;
const DWORD kDefaultRetries = 3;
// After an attempt that got further than any before, the next one starts almost at once.
const DWORD kQuickRetryMs = 100;

std::wstring Widen(const char* text) {
  const int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
  if (n <= 1) return std::wstring();
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &out[0], n);
  out.resize(static_cast<size_t>(n - 1));
  return out;
}

std::wstring WidenAscii(const std::string& text) { return std::wstring(text.begin(), text.end()); }

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= s.size()) return false;
    wchar_t c = s[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    if (c != prefix[i]) return false;
  }
  return s.size() > i;
}

bool IsHttpUrl(const std::wstring& url) {
  return StartsWithNoCase(url, L"http://") || StartsWithNoCase(url, L"https://");
}

bool IsSecureError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
    case ERROR_INTERNET_SEC_CERT_CN_INVALID:
    case ERROR_INTERNET_INVALID_CA:
    case ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED:
    case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
    case ERROR_INTERNET_SEC_INVALID_CERT:
    case ERROR_INTERNET_SEC_CERT_REVOKED:
    case ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR:
    case ERROR_INTERNET_SEC_CERT_ERRORS:
    case ERROR_INTERNET_SEC_CERT_NO_REV:
    case ERROR_INTERNET_SEC_CERT_REV_FAILED:
      return true;
    default:
      return false;
  }
}

// What one CWebGetFile holds.
struct State {
  DWORD connectTimeoutMs;
  DWORD idleTimeoutMs;
  DWORD maxRetries;

  // Guards the fields below; held only for a few instructions, never across a wait.
  CRITICAL_SECTION lock;
  // Manual reset: set by StopTransfer, whether or not GetFile runs yet, and cleared only when
  // a GetFile returns, so that a stop made just before the transfer starts is not lost.
  HANDLE stop;
  HANDLE idle;    // manual reset: set while no GetFile runs
  HANDLE runner;  // the thread inside GetFile, or null
  bool transferring;
  // The running download's pieces, for the destructor should the thread inside GetFile be
  // killed there (TerminateThread leaves them behind).
  Connection* connection;
  HANDLE file;
  std::wstring temp;

  State(DWORD connect, DWORD idleMs, DWORD retries)
      : connectTimeoutMs(connect ? connect : kDefaultConnectTimeoutMs),
        idleTimeoutMs(idleMs ? idleMs : kDefaultIdleTimeoutMs),
        maxRetries(retries ? retries : kDefaultRetries),
        stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
        runner(nullptr),
        transferring(false),
        connection(nullptr),
        file(INVALID_HANDLE_VALUE) {
    InitializeCriticalSection(&lock);
  }
  ~State() {
    if (stop) CloseHandle(stop);
    if (idle) CloseHandle(idle);
    DeleteCriticalSection(&lock);
  }

  void SetConnection(Connection* c) {
    EnterCriticalSection(&lock);
    connection = c;
    LeaveCriticalSection(&lock);
  }
  void SetFile(HANDLE f, const std::wstring& path) {
    EnterCriticalSection(&lock);
    file = f;
    temp = path;
    LeaveCriticalSection(&lock);
  }
};

// One call of GetFile.
class Transfer {
 public:
  Transfer(CWebGetFile* owner, State* state, unsigned long flags)
      : owner_(owner), impl_(state), flags_(flags) {}
  // Also reached when something threw: nothing may stay behind.
  ~Transfer() {
    if (current_) {
      impl_->SetConnection(nullptr);
      current_->Abandon();
    }
    Fail(0);
  }

  int Run(const std::wstring& url, const std::wstring& path);

 private:
  enum Outcome { kDone, kStopped, kRetry, kFail };

  Outcome Attempt(Connection* c, bool resume, int* code);
  Outcome OpenFailure(DWORD error, int* code) const;
  int Fail(int code);
  bool Stopped() const { return WaitForSingleObject(impl_->stop, 0) == WAIT_OBJECT_0; }
  bool Truncate();
  bool Append(const char* data, DWORD size);
  void Report();

  CWebGetFile* owner_;
  State* impl_;
  Connection* current_ = nullptr;
  unsigned long flags_;
  std::wstring url_, temp_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t have_ = 0;  // bytes in the temporary file
  uint64_t total_ = 0;
  bool totalKnown_ = false;
  std::string validator_;  // for If-Range: a strong entity tag or the modification date
  uint64_t retryAfter_ = 0;
  bool reported_ = false;  // what the last progress notification said
  uint64_t reportedTotal_ = 0, reportedDone_ = 0;
};

int Transfer::Run(const std::wstring& url, const std::wstring& path) {
  url_ = url;
  temp_ = path + L".part";
  // A leftover from an interrupted run goes first, and the file is made new rather than
  // overwritten: an overwrite truncates, and a file system such as ext4 (under Wine) answers a
  // truncated file by writing all of it out when it is closed, which costs a large package
  // a tenth of a second or more for nothing.
  DeleteFileW(temp_.c_str());
  file_ = CreateFileW(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) return FERROW_E_FILE;
  impl_->SetFile(file_, temp_);

  unsigned failures = 0;  // attempts in a row that got no further than an earlier one
  uint64_t furthest = 0;
  for (;;) {
    const bool resume = have_ > 0 && !(flags_ & FERROW_NO_RESUME);
    if (have_ > 0 && !resume && !Truncate()) return Fail(FERROW_E_FILE);
    std::wstring headers;
    if (resume) {
      headers = L"Range: bytes=" + std::to_wstring(have_) + L"-\r\n";
      if (!validator_.empty()) headers += L"If-Range: " + WidenAscii(validator_) + L"\r\n";
    }
    retryAfter_ = 0;
    if (Stopped()) return Fail(FERROW_E_STOPPED);
    Connection* c = Connection::Start(url_, headers, impl_->connectTimeoutMs, impl_->idleTimeoutMs);
    if (!c) return Fail(FERROW_E_INTERNAL);
    impl_->SetConnection(c);
    current_ = c;
    int code = FERROW_E_INTERNAL;
    const Outcome outcome = Attempt(c, resume, &code);
    current_ = nullptr;
    impl_->SetConnection(nullptr);
    c->Abandon();

    if (outcome == kDone) break;
    if (outcome == kStopped) return Fail(FERROW_E_STOPPED);
    if (outcome == kFail) return Fail(code);

    const bool progressed = have_ > furthest;
    if (progressed) {
      furthest = have_;
      failures = 0;
    }
    ++failures;
    if ((flags_ & FERROW_NO_RETRY) || failures > impl_->maxRetries) return Fail(code);
    DWORD delay =
        ferrow::RetryDelayMs(failures, retryAfter_, GetTickCount() ^ GetCurrentThreadId());
    if (progressed && retryAfter_ == 0) delay = kQuickRetryMs;
    if (WaitForSingleObject(impl_->stop, delay) == WAIT_OBJECT_0) return Fail(FERROW_E_STOPPED);
  }

  // Complete: the file must hold exactly what the server announced before it takes the
  // target's place. A stop that came meanwhile still wins: the caller has given up on it.
  if (Stopped()) return Fail(FERROW_E_STOPPED);
  LARGE_INTEGER size;
  const bool sizeOk = GetFileSizeEx(file_, &size) && static_cast<uint64_t>(size.QuadPart) == total_;
  if (!sizeOk) return Fail(FERROW_E_FILE);
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  impl_->SetFile(INVALID_HANDLE_VALUE, std::wstring());
  if (!MoveFileExW(temp_.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp_.c_str());
    return FERROW_E_FILE;
  }
  owner_->OnProgress(static_cast<double>(total_), static_cast<double>(total_));
  return FERROW_OK;
}

Transfer::Outcome Transfer::Attempt(Connection* c, bool resume, int* code) {
  switch (c->WaitForResponse(impl_->stop, impl_->connectTimeoutMs)) {
    case Connection::kStopped:
      return kStopped;
    case Connection::kTimedOut:
      *code = FERROW_E_CONNECT;
      return kRetry;
    case Connection::kReady:
      break;
  }
  const ferrow::Response& r = c->response();
  if (r.openError) return OpenFailure(r.openError, code);

  if (ferrow::IsTransientStatus(r.status)) {
    uint64_t seconds = 0;
    if (ferrow::ParseRetryAfter(r.retryAfter, static_cast<int64_t>(std::time(nullptr)), &seconds)) {
      retryAfter_ = seconds;
    }
    *code = FERROW_E_HTTP_STATUS;
    return kRetry;
  }
  if (r.status == 416 && resume) {
    // The rest we asked for is not there: the file changed or its length was a lie. Start
    // over; only an attempt that gets further than before counts as progress.
    if (!Truncate()) {
      *code = FERROW_E_FILE;
      return kFail;
    }
    *code = FERROW_E_INCOMPLETE;
    return kRetry;
  }
  if (r.status < 200 || r.status > 299) {
    *code = FERROW_E_HTTP_STATUS;
    return kFail;
  }

  const bool chunked = ferrow::IsChunked(r.transferEncoding);
  uint64_t length = 0;
  bool hasLength = !chunked && ferrow::ParseContentLength(r.contentLength, &length);
  if (!chunked && !hasLength) {
    if (r.status == 204 || r.status == 205) {
      hasLength = true;  // no body by definition
    } else {
      // Only the closing of the connection would end this body, and a lost connection
      // looks just the same: such a file can never be known to be whole.
      *code = FERROW_E_NO_LENGTH;
      return kFail;
    }
  }

  if (r.status == 206) {
    ferrow::ContentRange range;
    const bool continues = ferrow::ParseContentRange(r.contentRange, &range) &&
                           range.first == have_ &&
                           (!hasLength || length == range.last - range.first + 1) &&
                           (!range.completeKnown || !totalKnown_ || range.complete == total_);
    if (!continues) {
      if (have_ == 0) {  // a part we never asked for
        *code = FERROW_E_INCOMPLETE;
        return kFail;
      }
      if (!Truncate()) {
        *code = FERROW_E_FILE;
        return kFail;
      }
      *code = FERROW_E_INCOMPLETE;
      return kRetry;
    }
    if (range.completeKnown) {
      total_ = range.complete;
      totalKnown_ = true;
    } else if (hasLength) {
      total_ = have_ + length;
      totalKnown_ = true;
    } else {
      totalKnown_ = false;
    }
  } else {
    // A whole body: whatever an earlier attempt left is of no use (the server ignored our
    // Range, or this is the first attempt).
    if (have_ > 0 && !Truncate()) {
      *code = FERROW_E_FILE;
      return kFail;
    }
    totalKnown_ = hasLength;
    total_ = hasLength ? length : 0;
    int64_t date = 0;
    if (ferrow::IsStrongEtag(r.etag)) {
      validator_ = r.etag;
    } else if (ferrow::ParseHttpDate(r.lastModified, &date)) {
      validator_ = r.lastModified;
    } else {
      validator_.clear();
    }
  }
  Report();

  for (;;) {
    Connection::Block block;
    switch (c->NextBlock(impl_->stop, impl_->idleTimeoutMs, &block)) {
      case Connection::kStopped:
        return kStopped;
      case Connection::kTimedOut:
        *code = FERROW_E_TIMEOUT;
        return kRetry;
      case Connection::kReady:
        break;
    }
    if (block.end) {
      if (block.error) {
        *code = FERROW_E_INCOMPLETE;
        return kRetry;
      }
      if (!totalKnown_) {  // a chunked body has ended with its last chunk
        total_ = have_;
        totalKnown_ = true;
        return kDone;
      }
      if (have_ == total_) return kDone;
      *code = FERROW_E_INCOMPLETE;  // the connection closed early
      return kRetry;
    }
    if (totalKnown_ && block.size > total_ - have_) {
      *code = FERROW_E_INCOMPLETE;  // more than announced: the length can't be trusted
      return kFail;
    }
    if (!Append(block.data, block.size)) {
      *code = FERROW_E_FILE;
      return kFail;
    }
    have_ += block.size;
    c->Recycle();
    Report();
  }
}

Transfer::Outcome Transfer::OpenFailure(DWORD error, int* code) const {
  switch (error) {
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      *code = FERROW_E_ARGUMENT;
      return kFail;
    default:
      break;
  }
  if (IsSecureError(error)) {
    *code = FERROW_E_SECURE;
    return kFail;
  }
  // Refused, reset, timed out, name not (yet) resolved, garbled answer: worth another try.
  *code = error == ERROR_INTERNET_TIMEOUT ? FERROW_E_TIMEOUT : FERROW_E_CONNECT;
  return kRetry;
}

int Transfer::Fail(int code) {
  if (file_ != INVALID_HANDLE_VALUE) {
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    impl_->SetFile(INVALID_HANDLE_VALUE, std::wstring());
    DeleteFileW(temp_.c_str());
  }
  return code;
}

bool Transfer::Truncate() {
  have_ = 0;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return SetFilePointerEx(file_, zero, nullptr, FILE_BEGIN) && SetEndOfFile(file_);
}

bool Transfer::Append(const char* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file_, data, size, &written, nullptr) && written == size;
}

void Transfer::Report() {
  // done equal to total is reserved for the one call after the file is in place.
  if (totalKnown_ && have_ >= total_) return;
  const uint64_t total = totalKnown_ ? total_ : 0;
  // The counts only grow: when an attempt had to start over, the notifications wait until it
  // has passed what was already shown (unless the file itself changed size).
  if (reported_ && total == reportedTotal_ && have_ <= reportedDone_) return;
  owner_->OnProgress(static_cast<double>(total), static_cast<double>(have_));
  reported_ = true;
  reportedTotal_ = total;
  reportedDone_ = have_;
}

}  // namespace

struct CWebGetFile::Impl : State {
  using State::State;
};

CWebGetFile::CWebGetFile(unsigned long connectTimeoutMs, unsigned long idleTimeoutMs,
                         unsigned long maxRetries)
    : impl(new Impl(connectTimeoutMs, idleTimeoutMs, maxRetries)) {}

CWebGetFile::~CWebGetFile() {
  StopTransfer();
  // Wait until GetFile has returned on its thread, or until that thread has died in it.
  HANDLE runner = nullptr;
  EnterCriticalSection(&impl->lock);
  if (impl->transferring && impl->runner) {
    DuplicateHandle(GetCurrentProcess(), impl->runner, GetCurrentProcess(), &runner, SYNCHRONIZE,
                    FALSE, 0);
  }
  LeaveCriticalSection(&impl->lock);
  if (runner) {
    HANDLE waits[2] = {impl->idle, runner};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    CloseHandle(runner);
  }
  EnterCriticalSection(&impl->lock);
  if (impl->transferring) {
    // The thread was killed inside GetFile: clean up what it left.
    if (impl->connection) impl->connection->Abandon();
    if (impl->file != INVALID_HANDLE_VALUE) CloseHandle(impl->file);
    if (!impl->temp.empty()) DeleteFileW(impl->temp.c_str());
    if (impl->runner) CloseHandle(impl->runner);
  }
  LeaveCriticalSection(&impl->lock);
  delete impl;
}

int CWebGetFile::OnProgress(double, double) { return 0; }

int CWebGetFile::IsTransferring() {
  EnterCriticalSection(&impl->lock);
  const bool running = impl->transferring;
  LeaveCriticalSection(&impl->lock);
  return running ? 1 : 0;
}

void CWebGetFile::StopTransfer() {
  EnterCriticalSection(&impl->lock);
  SetEvent(impl->stop);
  LeaveCriticalSection(&impl->lock);
}

int CWebGetFile::GetFile(const char* url, const char* localPath, unsigned long flags) {
  if (!url || !localPath) return FERROW_E_ARGUMENT;
  EnterCriticalSection(&impl->lock);
  if (impl->transferring) {
    LeaveCriticalSection(&impl->lock);
    return FERROW_E_BUSY;
  }
  if (WaitForSingleObject(impl->stop, 0) == WAIT_OBJECT_0) {
    // Stopped before it began: nothing is connected or written, and the stop is used up.
    ResetEvent(impl->stop);
    LeaveCriticalSection(&impl->lock);
    return FERROW_E_STOPPED;
  }
  impl->transferring = true;
  ResetEvent(impl->idle);
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &impl->runner,
                  SYNCHRONIZE, FALSE, 0);
  LeaveCriticalSection(&impl->lock);

  int result = FERROW_E_INTERNAL;
  try {
    const std::wstring wideUrl = Widen(url), widePath = Widen(localPath);
    if (wideUrl.empty() || widePath.empty() || !IsHttpUrl(wideUrl)) {
      result = FERROW_E_ARGUMENT;
    } else {
      Transfer transfer(this, impl, flags);
      result = transfer.Run(wideUrl, widePath);
    }
  } catch (...) {
    // Out of memory somewhere: the transfer's own clean-up has run while unwinding.
    result = FERROW_E_INTERNAL;
  }

  EnterCriticalSection(&impl->lock);
  impl->transferring = false;
  ResetEvent(impl->stop);  // a stop made while this GetFile ran ends with it
  if (impl->runner) CloseHandle(impl->runner);
  impl->runner = nullptr;
  SetEvent(impl->idle);
  LeaveCriticalSection(&impl->lock);
  return result;
}
