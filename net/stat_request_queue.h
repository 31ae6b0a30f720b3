#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>

#include "base/lock.h"
#include "base/scoped_handle.h"

namespace net {

// Request time-outs of one statistics request.
inline constexpr DWORD kStatConnectTimeoutMs = 2000;
inline constexpr DWORD kStatReceiveTimeoutMs = 2000;
inline constexpr wchar_t kStatUserAgent[] = L"Velmar.Browser installer";

// Sends one GET request and returns once it has left: the request is closed as
// soon as WinINet reports it sent, and no answer is read. Failures are logged.
void SendUrl(const std::wstring& url);

// A first-in first-out queue of URLs sent one after another by a thread of its
// own, started by the first post. Destruction stops the thread after the URL it
// is sending, waiting without a time-out; URLs still queued then are dropped.
class StatRequestQueue {
 public:
  using Sender = std::function<void(const std::wstring& url)>;

  explicit StatRequestQueue(Sender sender = SendUrl);
  ~StatRequestQueue();
  StatRequestQueue(const StatRequestQueue&) = delete;
  StatRequestQueue& operator=(const StatRequestQueue&) = delete;

  void Post(const std::wstring& url);

 private:
  bool InitializeThread();
  static DWORD WINAPI ThreadMain(void* self);
  void Run();

  Sender sender_;
  base::Lock lock_;  // guards queue_ and stop_
  std::deque<std::wstring> queue_;
  bool stop_ = false;
  base::ScopedHandle wake_event_;  // auto-reset
  base::ScopedHandle thread_;
};

}  // namespace net
