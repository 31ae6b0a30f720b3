#include "net/stat_request_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace net {
namespace {

TEST(StatRequestQueueTest, SendsPostedUrlsInOrderOnAThreadOfItsOwn) {
  std::vector<std::wstring> sent;
  DWORD sender_thread = 0;
  {
    base::ScopedHandle last_sent(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    StatRequestQueue queue([&](const std::wstring& url) {
      sent.push_back(url);
      sender_thread = ::GetCurrentThreadId();
      if (url == L"3") ::SetEvent(last_sent.Get());
    });
    for (const wchar_t* url : {L"1", L"2", L"3"}) queue.Post(url);
    ASSERT_EQ(::WaitForSingleObject(last_sent.Get(), 10000), WAIT_OBJECT_0);
  }
  EXPECT_EQ(sent, (std::vector<std::wstring>{L"1", L"2", L"3"}));
  EXPECT_NE(sender_thread, ::GetCurrentThreadId());
}

TEST(StatRequestQueueTest, DestructionFinishesTheUrlBeingSentAndDropsTheRest) {
  base::ScopedHandle sending(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<std::wstring> sent;
  {
    StatRequestQueue queue([&](const std::wstring& url) {
      ::SetEvent(sending.Get());
      ::Sleep(500);  // still sending when the queue is destroyed
      sent.push_back(url);
    });
    queue.Post(L"first");
    ASSERT_EQ(::WaitForSingleObject(sending.Get(), 10000), WAIT_OBJECT_0);
    queue.Post(L"second");
  }
  EXPECT_EQ(sent, (std::vector<std::wstring>{L"first"}));
}

TEST(StatRequestQueueTest, QueueWithoutPostsIsDestroyedAtOnce) {
  bool called = false;
  {
    StatRequestQueue queue([&](const std::wstring&) { called = true; });
  }
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace net
