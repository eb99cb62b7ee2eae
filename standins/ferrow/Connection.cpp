#include "Connection.h"

#include <new>

namespace ferrow {

namespace {

// Any object inside this DLL: its address names the module that a connection thread pins.
const char kModuleAnchor = 0;

// Header values are the server's; more than this is not a header we want.
const DWORD kMaxHeaderValue = 4096;

std::string QueryHeader(HINTERNET request, DWORD what) {
  std::string value(256, '\0');
  DWORD size = static_cast<DWORD>(value.size());
  DWORD index = 0;
  if (HttpQueryInfoA(request, what, &value[0], &size, &index)) {
    value.resize(size);
    return value;
  }
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > kMaxHeaderValue) return std::string();
  value.assign(size + 1, '\0');
  size = static_cast<DWORD>(value.size());
  index = 0;
  if (!HttpQueryInfoA(request, what, &value[0], &size, &index)) return std::string();
  value.resize(size);
  return value;
}

}  // namespace

Connection::Connection(const std::wstring& url, const std::wstring& extraHeaders,
                       DWORD connectTimeoutMs, DWORD idleTimeoutMs)
    : url_(url),
      extraHeaders_(extraHeaders),
      connectTimeoutMs_(connectTimeoutMs),
      idleTimeoutMs_(idleTimeoutMs),
      abandonEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      responseEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      freeSlots_(CreateSemaphoreW(nullptr, 2, 2, nullptr)),
      filledSlots_(CreateSemaphoreW(nullptr, 0, 2, nullptr)) {
  for (auto& b : buffers_) b.reset(new (std::nothrow) char[kBufferSize]);
}

Connection* Connection::Start(const std::wstring& url, const std::wstring& extraHeaders,
                              DWORD connectTimeoutMs, DWORD idleTimeoutMs) {
  Connection* c = new (std::nothrow) Connection(url, extraHeaders, connectTimeoutMs, idleTimeoutMs);
  if (!c) return nullptr;
  // The thread may outlive every other use of this DLL (a read that never returns): it holds
  // the module until it ends, so a FreeLibrary can't pull the code from under it.
  quenda::unique_hmodule self;
  if (!c->abandonEvent_ || !c->responseEvent_ || !c->freeSlots_ || !c->filledSlots_ ||
      !c->buffers_[0] || !c->buffers_[1] ||
      !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCWSTR>(&kModuleAnchor), self.put())) {
    delete c;
    return nullptr;
  }
  c->module_ = self.get();
  const quenda::unique_handle thread(CreateThread(nullptr, 0, ThreadProc, c, 0, nullptr));
  if (!thread) {
    delete c;
    return nullptr;
  }
  self.release();  // the thread's now: it lets go of it as it ends
  return c;
}

DWORD WINAPI Connection::ThreadProc(void* self) {
  Connection* c = static_cast<Connection*>(self);
  HMODULE module = c->module_;
  c->Work();
  c->Release();
  FreeLibraryAndExitThread(module, 0);
  return 0;
}

void Connection::Work() {
  const unique_hinternet session(
      InternetOpenW(L"Ferrow/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) {
    response_.openError = GetLastError() ? GetLastError() : ERROR_INTERNET_INTERNAL_ERROR;
    SetEvent(responseEvent_.get());
    return;
  }
  // WinINet's own limits only matter where it honours them (Windows): they let a thread whose
  // attempt was abandoned end on its own instead of waiting for the server.
  DWORD value = connectTimeoutMs_;
  InternetSetOptionW(session.get(), INTERNET_OPTION_CONNECT_TIMEOUT, &value, sizeof value);
  InternetSetOptionW(session.get(), INTERNET_OPTION_SEND_TIMEOUT, &value, sizeof value);
  value = idleTimeoutMs_;
  InternetSetOptionW(session.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &value, sizeof value);
  InternetSetOptionW(session.get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &value, sizeof value);

  unique_hinternet request;  // closed before the session
  if (!Abandoned()) {
    // No cache in either direction: a package must come from the server, and a copy of it in
    // the user's WinINet cache would only cost disk space and time. Redirects are followed,
    // also from http to https, but never from https down to http.
    const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                        INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_UI |
                        INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    request.reset(InternetOpenUrlW(session.get(), url_.c_str(),
                                   extraHeaders_.empty() ? nullptr : extraHeaders_.c_str(),
                                   static_cast<DWORD>(extraHeaders_.size()), flags, 0));
    if (!request) {
      response_.openError = GetLastError() ? GetLastError() : ERROR_INTERNET_INTERNAL_ERROR;
    } else {
      ReadResponse(request.get());
    }
  }
  SetEvent(responseEvent_.get());
  if (request) Pump(request.get());
}

void Connection::ReadResponse(HINTERNET request) {
  DWORD status = 0, size = sizeof status, index = 0;
  if (HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                     &index)) {
    response_.status = status;
  }
  response_.contentLength = QueryHeader(request, HTTP_QUERY_CONTENT_LENGTH);
  response_.transferEncoding = QueryHeader(request, HTTP_QUERY_TRANSFER_ENCODING);
  response_.contentRange = QueryHeader(request, HTTP_QUERY_CONTENT_RANGE);
  response_.retryAfter = QueryHeader(request, HTTP_QUERY_RETRY_AFTER);
  response_.etag = QueryHeader(request, HTTP_QUERY_ETAG);
  response_.lastModified = QueryHeader(request, HTTP_QUERY_LAST_MODIFIED);
}

// Reads the body into the free buffer, in turn, until it ends, fails or is abandoned.
void Connection::Pump(HINTERNET request) {
  DWORD want = kFirstRead;
  for (;;) {
    HANDLE waits[2] = {abandonEvent_.get(), freeSlots_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    Block& block = blocks_[producer_];
    char* buffer = buffers_[producer_].get();
    producer_ ^= 1;
    block = Block();
    block.data = buffer;
    const DWORD started = GetTickCount();
    DWORD got = 0;
    if (!InternetReadFile(request, buffer, want, &got)) {
      block.error = GetLastError() ? GetLastError() : ERROR_INTERNET_CONNECTION_RESET;
      block.end = true;
    } else if (got == 0) {
      block.end = true;
    } else {
      block.size = got;
      // A synchronous read waits until its whole request is there. Ask for about what
      // arrives in a short while, so that progress flows on slow lines and large blocks
      // keep fast ones cheap.
      const DWORD took = GetTickCount() - started;
      if (got == want && took < 50 && want < kBufferSize) {
        want *= 2;
      } else if (took > 250 && want > kFirstRead) {
        want /= 2;
      }
    }
    const bool last = block.end;
    ReleaseSemaphore(filledSlots_.get(), 1, nullptr);
    if (last || Abandoned()) break;
  }
}

Connection::Wait Connection::WaitEither(HANDLE stop, HANDLE ready, DWORD timeoutMs) {
  HANDLE waits[2] = {stop, ready};
  switch (WaitForMultipleObjects(2, waits, FALSE, timeoutMs)) {
    case WAIT_OBJECT_0:
      return kStopped;
    case WAIT_OBJECT_0 + 1:
      return kReady;
    default:
      return kTimedOut;
  }
}

Connection::Wait Connection::WaitForResponse(HANDLE stop, DWORD timeoutMs) {
  return WaitEither(stop, responseEvent_.get(), timeoutMs);
}

Connection::Wait Connection::NextBlock(HANDLE stop, DWORD timeoutMs, Block* block) {
  const Wait wait = WaitEither(stop, filledSlots_.get(), timeoutMs);
  if (wait == kReady) {
    *block = blocks_[consumer_];
    consumer_ ^= 1;
  }
  return wait;
}

void Connection::Recycle() { ReleaseSemaphore(freeSlots_.get(), 1, nullptr); }

void Connection::Abandon() {
  InterlockedExchange(&abandoned_, 1);
  SetEvent(abandonEvent_.get());
  Release();
}

void Connection::Release() {
  if (InterlockedDecrement(&refs_) == 0) delete this;
}

}  // namespace ferrow
