// CWebGetFile: one download at a time per object, retried and resumed as long as the server
// lets it make progress, written beside the target and moved into place only when complete.
#include "Ferrow.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

#include "Connection.h"
#include "HttpFields.h"
#include "UniqueHandle.h"

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

// Holds a critical section for the rest of the scope.
class Guard {
 public:
  explicit Guard(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
  ~Guard() { LeaveCriticalSection(lock_); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  CRITICAL_SECTION* lock_;
};

// What one CWebGetFile holds.
struct State {
  DWORD connectTimeoutMs;
  DWORD idleTimeoutMs;
  DWORD maxRetries;

  // Guards the fields below; held only for a few instructions, never across a wait.
  CRITICAL_SECTION lock;
  // Manual reset: set by StopTransfer, whether or not GetFile runs yet, and cleared only when
  // a GetFile returns, so that a stop made just before the transfer starts is not lost.
  quenda::unique_handle stop;
  quenda::unique_handle idle;    // manual reset: set while no GetFile runs
  quenda::unique_handle runner;  // the thread inside GetFile, or none
  bool transferring = false;
  // The running download's pieces. The object holds them rather than the call, so that the
  // destructor can still let go of them should the thread inside GetFile be killed there
  // (TerminateThread runs no destructors).
  Connection* connection = nullptr;
  quenda::unique_hfile file;  // the temporary file
  std::wstring temp;

  State(DWORD connect, DWORD idleMs, DWORD retries)
      : connectTimeoutMs(connect ? connect : kDefaultConnectTimeoutMs),
        idleTimeoutMs(idleMs ? idleMs : kDefaultIdleTimeoutMs),
        maxRetries(retries ? retries : kDefaultRetries),
        stop(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
        idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {
    InitializeCriticalSection(&lock);
  }
  ~State() { DeleteCriticalSection(&lock); }

  bool Stopped() const { return WaitForSingleObject(stop.get(), 0) == WAIT_OBJECT_0; }
  void SetConnection(Connection* c) {
    Guard guard(&lock);
    connection = c;
  }
  // Takes the temporary file (or closes it, given none).
  void SetFile(quenda::unique_hfile f, const std::wstring& path) {
    Guard guard(&lock);
    file = std::move(f);
    temp = path;
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
  // kGoOn: this step is content, the attempt continues with the next one.
  enum Outcome { kGoOn, kDone, kStopped, kRetry, kFail };

  Outcome TryOnce(bool resume);
  Outcome Attempt(Connection* c, bool resume);
  Outcome AwaitAnswer(Connection* c);
  Outcome JudgeStatus(const ferrow::Response& r, bool resume);
  Outcome PlaceBody(const ferrow::Response& r);
  Outcome ContinueBody(const ferrow::Response& r, bool hasLength, uint64_t length);
  Outcome StartBodyOver(const ferrow::Response& r, bool hasLength, uint64_t length);
  Outcome ReceiveBody(Connection* c);
  Outcome AfterWait(Connection::Wait wait, int timeoutCode);
  Outcome OpenFailure(DWORD error);
  Outcome Retry(int code) {
    code_ = code;
    return kRetry;
  }
  Outcome Failed(int code) {
    code_ = code;
    return kFail;
  }
  int Finish(const std::wstring& path);
  int Fail(int code);
  bool Truncate();
  bool Append(const char* data, DWORD size);
  void Report();
  HANDLE file() const { return impl_->file.get(); }

  CWebGetFile* owner_;
  State* impl_;
  Connection* current_ = nullptr;
  unsigned long flags_;
  std::wstring url_, temp_;
  int code_ = FERROW_E_INTERNAL;  // why the last attempt failed
  uint64_t have_ = 0;             // bytes in the temporary file
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
  quenda::unique_hfile created(
      CreateFileW(temp_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!created) return FERROW_E_FILE;
  impl_->SetFile(std::move(created), temp_);

  unsigned failures = 0;  // attempts in a row that got no further than an earlier one
  uint64_t furthest = 0;
  for (;;) {
    const bool resume = have_ > 0 && !(flags_ & FERROW_NO_RESUME);
    if (have_ > 0 && !resume && !Truncate()) return Fail(FERROW_E_FILE);
    if (impl_->Stopped()) return Fail(FERROW_E_STOPPED);
    const Outcome outcome = TryOnce(resume);
    if (outcome == kDone) return Finish(path);
    if (outcome == kStopped) return Fail(FERROW_E_STOPPED);
    if (outcome == kFail) return Fail(code_);

    const bool progressed = have_ > furthest;
    if (progressed) {
      furthest = have_;
      failures = 0;
    }
    ++failures;
    if ((flags_ & FERROW_NO_RETRY) || failures > impl_->maxRetries) return Fail(code_);
    DWORD delay =
        ferrow::RetryDelayMs(failures, retryAfter_, GetTickCount() ^ GetCurrentThreadId());
    if (progressed && retryAfter_ == 0) delay = kQuickRetryMs;
    if (WaitForSingleObject(impl_->stop.get(), delay) == WAIT_OBJECT_0) {
      return Fail(FERROW_E_STOPPED);
    }
  }
}

// One request, from the top or for the rest of the file.
Transfer::Outcome Transfer::TryOnce(bool resume) {
  std::wstring headers;
  if (resume) {
    headers = L"Range: bytes=" + std::to_wstring(have_) + L"-\r\n";
    if (!validator_.empty()) headers += L"If-Range: " + WidenAscii(validator_) + L"\r\n";
  }
  retryAfter_ = 0;
  Connection* c = Connection::Start(url_, headers, impl_->connectTimeoutMs, impl_->idleTimeoutMs);
  if (!c) return Failed(FERROW_E_INTERNAL);
  impl_->SetConnection(c);
  current_ = c;
  const Outcome outcome = Attempt(c, resume);
  current_ = nullptr;
  impl_->SetConnection(nullptr);
  c->Abandon();
  return outcome;
}

Transfer::Outcome Transfer::Attempt(Connection* c, bool resume) {
  Outcome outcome = AwaitAnswer(c);
  if (outcome == kGoOn) outcome = JudgeStatus(c->response(), resume);
  if (outcome == kGoOn) outcome = PlaceBody(c->response());
  if (outcome != kGoOn) return outcome;
  Report();
  return ReceiveBody(c);
}

// Connecting: the answer's status line and headers, or why there are none.
Transfer::Outcome Transfer::AwaitAnswer(Connection* c) {
  const Outcome outcome =
      AfterWait(c->WaitForResponse(impl_->stop.get(), impl_->connectTimeoutMs), FERROW_E_CONNECT);
  if (outcome != kGoOn) return outcome;
  const DWORD error = c->response().openError;
  return error ? OpenFailure(error) : kGoOn;
}

Transfer::Outcome Transfer::JudgeStatus(const ferrow::Response& r, bool resume) {
  if (ferrow::IsTransientStatus(r.status)) {
    uint64_t seconds = 0;
    if (ferrow::ParseRetryAfter(r.retryAfter, static_cast<int64_t>(std::time(nullptr)), &seconds)) {
      retryAfter_ = seconds;
    }
    return Retry(FERROW_E_HTTP_STATUS);
  }
  if (r.status == 416 && resume) {
    // The rest we asked for is not there: the file changed or its length was a lie. Start
    // over; only an attempt that gets further than before counts as progress.
    return Truncate() ? Retry(FERROW_E_INCOMPLETE) : Failed(FERROW_E_FILE);
  }
  if (r.status < 200 || r.status > 299) return Failed(FERROW_E_HTTP_STATUS);
  return kGoOn;
}

// How long the body is, and whether it continues what the temporary file holds.
Transfer::Outcome Transfer::PlaceBody(const ferrow::Response& r) {
  const bool chunked = ferrow::IsChunked(r.transferEncoding);
  uint64_t length = 0;
  bool hasLength = !chunked && ferrow::ParseContentLength(r.contentLength, &length);
  if (!chunked && !hasLength) {
    // Only the closing of the connection would end this body, and a lost connection looks
    // just the same: such a file can never be known to be whole. 204 and 205 have no body.
    if (r.status != 204 && r.status != 205) return Failed(FERROW_E_NO_LENGTH);
    hasLength = true;
  }
  return r.status == 206 ? ContinueBody(r, hasLength, length) : StartBodyOver(r, hasLength, length);
}

// A part: it must start where the file ends and belong to the same whole.
Transfer::Outcome Transfer::ContinueBody(const ferrow::Response& r, bool hasLength,
                                         uint64_t length) {
  ferrow::ContentRange range;
  const bool continues = ferrow::ParseContentRange(r.contentRange, &range) &&
                         range.first == have_ &&
                         (!hasLength || length == range.last - range.first + 1) &&
                         (!range.completeKnown || !totalKnown_ || range.complete == total_);
  if (!continues) {
    if (have_ == 0) return Failed(FERROW_E_INCOMPLETE);  // a part we never asked for
    return Truncate() ? Retry(FERROW_E_INCOMPLETE) : Failed(FERROW_E_FILE);
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
  return kGoOn;
}

// A whole body: whatever an earlier attempt left is of no use (the server ignored our Range,
// or this is the first attempt).
Transfer::Outcome Transfer::StartBodyOver(const ferrow::Response& r, bool hasLength,
                                          uint64_t length) {
  if (have_ > 0 && !Truncate()) return Failed(FERROW_E_FILE);
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
  return kGoOn;
}

Transfer::Outcome Transfer::ReceiveBody(Connection* c) {
  for (;;) {
    Connection::Block block;
    const Outcome outcome =
        AfterWait(c->NextBlock(impl_->stop.get(), impl_->idleTimeoutMs, &block), FERROW_E_TIMEOUT);
    if (outcome != kGoOn) return outcome;
    if (block.end) {
      if (block.error) return Retry(FERROW_E_INCOMPLETE);
      if (!totalKnown_) {  // a chunked body has ended with its last chunk
        total_ = have_;
        totalKnown_ = true;
        return kDone;
      }
      // Short of the length: the connection closed early.
      return have_ == total_ ? kDone : Retry(FERROW_E_INCOMPLETE);
    }
    if (totalKnown_ && block.size > total_ - have_) {
      return Failed(FERROW_E_INCOMPLETE);  // more than announced: the length can't be trusted
    }
    if (!Append(block.data, block.size)) return Failed(FERROW_E_FILE);
    have_ += block.size;
    c->Recycle();
    Report();
  }
}

Transfer::Outcome Transfer::AfterWait(Connection::Wait wait, int timeoutCode) {
  switch (wait) {
    case Connection::kStopped:
      return kStopped;
    case Connection::kTimedOut:
      return Retry(timeoutCode);
    case Connection::kReady:
      break;
  }
  return kGoOn;
}

Transfer::Outcome Transfer::OpenFailure(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
      return Failed(FERROW_E_ARGUMENT);
    default:
      break;
  }
  if (IsSecureError(error)) return Failed(FERROW_E_SECURE);
  // Refused, reset, timed out, name not (yet) resolved, garbled answer: worth another try.
  return Retry(error == ERROR_INTERNET_TIMEOUT ? FERROW_E_TIMEOUT : FERROW_E_CONNECT);
}

// The body is all there: the file must hold exactly what the server announced before it takes
// the target's place. A stop that came meanwhile still wins: the caller has given up on it.
int Transfer::Finish(const std::wstring& path) {
  if (impl_->Stopped()) return Fail(FERROW_E_STOPPED);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file(), &size) || static_cast<uint64_t>(size.QuadPart) != total_) {
    return Fail(FERROW_E_FILE);
  }
  impl_->SetFile(quenda::unique_hfile(), std::wstring());  // closed, to be moved
  if (!MoveFileExW(temp_.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp_.c_str());
    return FERROW_E_FILE;
  }
  owner_->OnProgress(static_cast<double>(total_), static_cast<double>(total_));
  return FERROW_OK;
}

int Transfer::Fail(int code) {
  if (impl_->file) {
    impl_->SetFile(quenda::unique_hfile(), std::wstring());
    DeleteFileW(temp_.c_str());
  }
  return code;
}

bool Transfer::Truncate() {
  have_ = 0;
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return SetFilePointerEx(file(), zero, nullptr, FILE_BEGIN) && SetEndOfFile(file());
}

bool Transfer::Append(const char* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file(), data, size, &written, nullptr) && written == size;
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
  quenda::unique_handle runner;
  {
    Guard guard(&impl->lock);
    if (impl->transferring && impl->runner) {
      DuplicateHandle(GetCurrentProcess(), impl->runner.get(), GetCurrentProcess(), runner.put(),
                      SYNCHRONIZE, FALSE, 0);
    }
  }
  if (runner) {
    HANDLE waits[2] = {impl->idle.get(), runner.get()};
    WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  }
  {
    Guard guard(&impl->lock);
    if (impl->transferring) {
      // The thread was killed inside GetFile: let go of what it left.
      if (impl->connection) impl->connection->Abandon();
      impl->file.reset();
      if (!impl->temp.empty()) DeleteFileW(impl->temp.c_str());
    }
  }
  delete impl;
}

int CWebGetFile::OnProgress(double, double) { return 0; }

int CWebGetFile::IsTransferring() {
  Guard guard(&impl->lock);
  return impl->transferring ? 1 : 0;
}

void CWebGetFile::StopTransfer() {
  Guard guard(&impl->lock);
  SetEvent(impl->stop.get());
}

int CWebGetFile::GetFile(const char* url, const char* localPath, unsigned long flags) {
  if (!url || !localPath) return FERROW_E_ARGUMENT;
  {
    Guard guard(&impl->lock);
    if (impl->transferring) return FERROW_E_BUSY;
    if (impl->Stopped()) {
      // Stopped before it began: nothing is connected or written, and the stop is used up.
      ResetEvent(impl->stop.get());
      return FERROW_E_STOPPED;
    }
    impl->transferring = true;
    ResetEvent(impl->idle.get());
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(),
                    impl->runner.put(), SYNCHRONIZE, FALSE, 0);
  }

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

  Guard guard(&impl->lock);
  impl->transferring = false;
  ResetEvent(impl->stop.get());  // a stop made while this GetFile ran ends with it
  impl->runner.reset();
  SetEvent(impl->idle.get());
  return result;
}
