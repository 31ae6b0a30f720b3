#include "net/stat_request_queue.h"

#include <wininet.h>

#include <mutex>
#include <utility>

#include "base/log.h"
#include "net/internet_handle.h"

namespace net {
namespace {

// Longest wait for one request to leave: the connect time-out and as long again
// for the send, for systems that do not enforce the connect time-out.
constexpr DWORD kSendWaitMs = 2 * kStatConnectTimeoutMs;

// What the status callback tells the sending thread about one request. WinINet
// may call back after SendUrl has returned (a server that never answers keeps
// the request alive), so the record is shared and freed by whoever is last.
class RequestState {
 public:
  RequestState() : left_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

  // The callback holds one reference until the request handle is closing.
  void AddRef() { ::InterlockedIncrement(&references_); }
  void Release() {
    if (::InterlockedDecrement(&references_) == 0) delete this;
  }

  void Finish(DWORD error) {
    error_ = error;
    ::SetEvent(left_.Get());
  }
  bool Wait(DWORD milliseconds) const {
    return ::WaitForSingleObject(left_.Get(), milliseconds) == WAIT_OBJECT_0;
  }
  DWORD error() const { return error_; }

 private:
  ~RequestState() = default;

  volatile LONG references_ = 1;
  base::ScopedHandle left_;
  volatile DWORD error_ = ERROR_SUCCESS;
};

void CALLBACK OnRequestStatus(HINTERNET handle, DWORD_PTR context, DWORD status, void* info,
                              DWORD) {
  auto* state = reinterpret_cast<RequestState*>(context);
  if (state == nullptr) return;
  switch (status) {
    case INTERNET_STATUS_REQUEST_SENT:
      // Fire and forget: closing the request here is what makes it not wait for
      // an answer.
      ::InternetCloseHandle(handle);
      state->Finish(ERROR_SUCCESS);
      break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
      state->Finish(static_cast<INTERNET_ASYNC_RESULT*>(info)->dwError);
      break;
    case INTERNET_STATUS_HANDLE_CLOSING:
      state->Release();
      break;
    default:
      break;
  }
}

// 12017 is how a request closed by the callback ends; anything else is a failure.
bool IsSendFailure(DWORD error) {
  return error != ERROR_SUCCESS && error != ERROR_INTERNET_OPERATION_CANCELLED;
}

}  // namespace

void SendUrl(const std::wstring& url) {
  ScopedInternetHandle session(::InternetOpenW(kStatUserAgent, INTERNET_OPEN_TYPE_PRECONFIG,
                                               nullptr, nullptr, INTERNET_FLAG_ASYNC));
  if (!session.IsValid()) {
    LOG_ERROR << "Failed to open session for " << url;
    return;
  }
  ::InternetSetStatusCallbackW(session.Get(), OnRequestStatus);
  DWORD connect_timeout = kStatConnectTimeoutMs;
  DWORD receive_timeout = kStatReceiveTimeoutMs;
  if (!::InternetSetOptionW(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &connect_timeout,
                            sizeof(connect_timeout)) ||
      !::InternetSetOptionW(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &receive_timeout,
                            sizeof(receive_timeout))) {
    LOG_ERROR << "Failed to set internet options for " << url;
  }
  auto* state = new RequestState();
  state->AddRef();  // for the callbacks of the request handle
  const HINTERNET request =
      ::InternetOpenUrlW(session.Get(), url.c_str(), L"Accept: */*", static_cast<DWORD>(-1),
                         INTERNET_FLAG_RELOAD, reinterpret_cast<DWORD_PTR>(state));
  const DWORD open_error = request == nullptr ? ::GetLastError() : ERROR_SUCCESS;
  if (request == nullptr && open_error != ERROR_IO_PENDING) {
    // No request handle was made, so no callback will release its reference.
    state->Release();
    if (IsSendFailure(open_error)) {
      ::SetLastError(open_error);
      LOG_ERROR << "Failed to open " << url;
    }
  } else if (!state->Wait(kSendWaitMs)) {
    ::SetLastError(ERROR_INTERNET_TIMEOUT);
    LOG_ERROR << "Failed to open " << url;
  } else if (IsSendFailure(state->error())) {
    ::SetLastError(state->error());
    LOG_ERROR << "Failed to open " << url;
  }
  state->Release();
}

StatRequestQueue::StatRequestQueue(Sender sender) : sender_(std::move(sender)) {}

StatRequestQueue::~StatRequestQueue() {
  if (!thread_.IsValid()) return;
  {
    std::lock_guard<base::Lock> hold(lock_);
    stop_ = true;
  }
  ::SetEvent(wake_event_.Get());
  ::WaitForSingleObject(thread_.Get(), INFINITE);
}

void StatRequestQueue::Post(const std::wstring& url) {
  std::lock_guard<base::Lock> hold(lock_);
  if (!thread_.IsValid() && !InitializeThread()) return;
  queue_.push_back(url);
  ::SetEvent(wake_event_.Get());
}

bool StatRequestQueue::InitializeThread() {
  wake_event_.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (wake_event_.IsValid()) {
    thread_.Reset(::CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
  }
  if (!thread_.IsValid()) {
    LOG_ERROR << "Failed to create thread for async http requests";
    return false;
  }
  return true;
}

DWORD WINAPI StatRequestQueue::ThreadMain(void* self) {
  static_cast<StatRequestQueue*>(self)->Run();
  return 0;
}

void StatRequestQueue::Run() {
  for (;;) {
    ::WaitForSingleObject(wake_event_.Get(), INFINITE);
    std::unique_lock<base::Lock> hold(lock_);
    while (!stop_ && !queue_.empty()) {
      const std::wstring url = std::move(queue_.front());
      queue_.pop_front();
      hold.unlock();
      sender_(url);
      hold.lock();
    }
    if (stop_) return;
  }
}

}  // namespace net
