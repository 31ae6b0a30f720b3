#include "net/stat_request_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace net {
namespace {

// The order of the sent requests and a sender that never answers are seen
// end to end; what only a destruction mid-send shows is checked here.
TEST(StatRequestQueueTest, DestructionFinishesTheUrlBeingSentAndDropsTheRest) {
  base::ScopedHandle sending(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<std::wstring> sent;
  DWORD sender_thread = 0;
  {
    StatRequestQueue queue([&](const std::wstring& url) {
      sender_thread = ::GetCurrentThreadId();
      ::SetEvent(sending.Get());
      ::Sleep(500);  // still sending when the queue is destroyed
      sent.push_back(url);
    });
    queue.Post(L"first");
    ASSERT_EQ(::WaitForSingleObject(sending.Get(), 10000), WAIT_OBJECT_0);
    queue.Post(L"second");
  }
  EXPECT_EQ(sent, (std::vector<std::wstring>{L"first"}));
  EXPECT_NE(sender_thread, ::GetCurrentThreadId());
}

}  // namespace
}  // namespace net
