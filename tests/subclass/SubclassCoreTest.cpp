// The subclassing rules against an in-memory window system: bookkeeping, undo paths of a
// failed attach, detach order and the dispatch order with its response modes.
#include "FakeSubclassHost.h"

#include <gtest/gtest.h>

namespace klevotrim::subclass::test {
namespace {

constexpr WindowId kWindow = 1234;
constexpr std::uint32_t kMinMax = 36;

TEST(SubclassKeys, AreDecimalTextsOfHandleMessageAndIndex) {
    EXPECT_EQ(WindowCountKey(1234), "1234C");
    EXPECT_EQ(OldProcKey(1234), "1234");
    EXPECT_EQ(ClientCountKey(1234, 36), "1234#36C");
    EXPECT_EQ(ClientSlotKey(1234, 36, 1), "1234#36#1");
    // Messages are signed 32-bit numbers; handles keep their full pointer width.
    EXPECT_EQ(ClientCountKey(7, 0xFFFFFFFFu), "7#-1C");
    EXPECT_EQ(OldProcKey(static_cast<WindowId>(0x123456789LL)), "4886718345");
}

TEST(SubclassAttach, FirstAttachInstallsDispatcherAndRecordsEverything) {
    FakeHost host;
    FakeClient a{"a"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    EXPECT_EQ(host.procs[kWindow], kDispatcher);
    EXPECT_EQ(host.GetProp(kWindow, "1234"), kOriginalProc);
    EXPECT_EQ(host.GetProp(kWindow, "1234C"), 1u);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36C"), 1u);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#1"), Id(a));
}

TEST(SubclassAttach, SecondMessageKeepsTheStoredOldProcedure) {
    FakeHost host;
    FakeClient a{"a"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    ASSERT_EQ(Attach(host, Id(a), kWindow, 5), AttachError::None);
    EXPECT_EQ(host.GetProp(kWindow, "1234"), kOriginalProc); // not the dispatcher itself
    EXPECT_EQ(host.GetProp(kWindow, "1234C"), 2u);
}

TEST(SubclassAttach, SameClientTwiceIsRefusedAndFirstAttachmentStays) {
    FakeHost host;
    FakeClient a{"a"}, b{"b"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    ASSERT_EQ(Attach(host, Id(b), kWindow, kMinMax), AttachError::None);
    EXPECT_EQ(Attach(host, Id(b), kWindow, kMinMax), AttachError::AlreadyAttached);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36C"), 2u);
    EXPECT_EQ(host.GetProp(kWindow, "1234C"), 2u);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#2"), Id(b));
}

TEST(SubclassAttach, InvalidForeignAndNullAreRefusedWithoutTouchingAnything) {
    FakeHost host;
    host.windows.insert(99);
    host.foreign.insert(99);
    FakeClient a{"a"};
    EXPECT_EQ(Attach(host, Id(a), 4321, kMinMax), AttachError::InvalidWindow);
    EXPECT_EQ(Attach(host, Id(a), 99, kMinMax), AttachError::ExternalWindow);
    EXPECT_EQ(Attach(host, 0, kWindow, kMinMax), AttachError::InvalidArgument);
    EXPECT_TRUE(host.props.empty());
    EXPECT_EQ(host.procs[kWindow], kOriginalProc);
}

TEST(SubclassAttach, FailedProcedureReplacementUndoesTheSlot) {
    FakeHost host;
    host.failInstall = true;
    FakeClient a{"a"};
    EXPECT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::CantSubclass);
    EXPECT_TRUE(host.props.empty());
}

TEST(SubclassAttach, FailedWritesAreUndoneAtEveryStep) {
    FakeClient a{"a"};
    for (const char* key : {"1234#36C", "1234#36#1", "1234", "1234C"}) {
        SCOPED_TRACE(key);
        FakeHost host;
        host.failWriteKey = key;
        EXPECT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::InvalidArgument);
        EXPECT_TRUE(host.props.empty());
        EXPECT_EQ(host.procs[kWindow], kOriginalProc);
    }
}

TEST(SubclassAttach, FailedWindowCountOnLaterAttachKeepsEarlierOnes) {
    FakeHost host;
    FakeClient a{"a"}, b{"b"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    host.failWriteKey = "1234C";
    EXPECT_EQ(Attach(host, Id(b), kWindow, kMinMax), AttachError::InvalidArgument);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36C"), 1u);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#2"), 0u);
    EXPECT_EQ(host.procs[kWindow], kDispatcher);
    EXPECT_EQ(host.GetProp(kWindow, "1234"), kOriginalProc);
}

TEST(SubclassDetach, MiddleOfThreeKeepsTheOthersInOrder) {
    FakeHost host;
    FakeClient a{"a"}, b{"b"}, c{"c"};
    for (auto* x : {&a, &b, &c})
        ASSERT_EQ(Attach(host, Id(*x), kWindow, kMinMax), AttachError::None);
    Detach(host, Id(b), kWindow, kMinMax);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36C"), 2u);
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#1"), Id(a));
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#2"), Id(c));
    EXPECT_EQ(host.GetProp(kWindow, "1234#36#3"), 0u);
    EXPECT_EQ(host.GetProp(kWindow, "1234C"), 2u);
    EXPECT_EQ(host.procs[kWindow], kDispatcher);
}

TEST(SubclassDetach, LastAttachmentRestoresProcedureAndLeavesNoProperty) {
    FakeHost host;
    FakeClient a{"a"}, b{"b"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    ASSERT_EQ(Attach(host, Id(b), kWindow, 5), AttachError::None);
    Detach(host, Id(a), kWindow, kMinMax);
    EXPECT_EQ(host.procs[kWindow], kDispatcher);
    Detach(host, Id(b), kWindow, 5);
    EXPECT_EQ(host.procs[kWindow], kOriginalProc);
    EXPECT_EQ(host.PropCount(kWindow), 0u);
}

TEST(SubclassDetach, SomethingNotAttachedChangesNothing) {
    FakeHost host;
    FakeClient a{"a"}, b{"b"};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    const auto before = host.props;
    Detach(host, Id(b), kWindow, kMinMax); // other client
    Detach(host, Id(a), kWindow, 5);       // other message
    Detach(host, Id(a), 4321, kMinMax);    // no such window
    Detach(host, 0, kWindow, kMinMax);
    EXPECT_EQ(host.props, before);
}

class SubclassDispatch : public ::testing::Test {
  protected:
    void AttachAll(std::initializer_list<FakeClient*> clients, std::uint32_t message = kMinMax) {
        for (auto* c : clients)
            ASSERT_EQ(Attach(host, Id(*c), kWindow, message), AttachError::None);
    }
    MessageResult Send(std::uint32_t message = kMinMax) { return Dispatch(host, kWindow, message, 0, 0); }
    FakeHost host;
};

TEST_F(SubclassDispatch, ConsumeCallsClientsNewestFirstAndNeverTheOldProcedure) {
    FakeClient a{"a", Consume, 1}, b{"b", After, 2}, c{"c", Before, 3};
    AttachAll({&a, &b, &c});
    EXPECT_EQ(Send(), 1); // the first-attached client runs last and its result wins
    EXPECT_EQ(host.calls, (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(host.currentMessage, kMinMax);
}

TEST_F(SubclassDispatch, AfterRunsOldProcedureOnceAtTheEndAndItsResultWins) {
    FakeClient a{"a", After, 1}, b{"b", Consume, 2};
    AttachAll({&a, &b});
    EXPECT_EQ(Send(), 77);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"b", "a", "old"}));
}

TEST_F(SubclassDispatch, BeforeRunsOldProcedureJustBeforeTheFirstClient) {
    FakeClient a{"a", Before, 1}, b{"b", After, 2};
    AttachAll({&a, &b});
    EXPECT_EQ(Send(), 1); // the client's result replaces the old procedure's
    EXPECT_EQ(host.calls, (std::vector<std::string>{"b", "old", "a"}));
}

TEST_F(SubclassDispatch, UnknownResponseActsAsConsume) {
    FakeClient a{"a", static_cast<Response>(9), 5};
    AttachAll({&a});
    EXPECT_EQ(Send(), 5);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"a"}));
}

TEST_F(SubclassDispatch, MessagesWithoutClientsGoStraightToTheOldProcedure) {
    FakeClient a{"a", Consume, 1};
    AttachAll({&a});
    host.currentMessage = 555;
    EXPECT_EQ(Send(15), 77);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"old"}));
    EXPECT_EQ(host.currentMessage, 555u); // only deliveries to clients change it
}

TEST_F(SubclassDispatch, WithoutOldProcedureNothingRuns) {
    FakeClient a{"a", Consume, 1};
    EXPECT_EQ(Send(), 0);
    EXPECT_EQ(CallOld(host, kWindow, kMinMax, 0, 0), 0);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SubclassDispatch, DestroyWithoutClientsUnsubclassesBeforePassingOn) {
    FakeClient a{"a", Consume, 1};
    AttachAll({&a});
    EXPECT_EQ(Send(kDestroyMessage), 77);
    EXPECT_EQ(host.procs[kWindow], kOriginalProc);
    EXPECT_EQ(host.GetProp(kWindow, "1234"), 0u);
    EXPECT_EQ(host.GetProp(kWindow, "1234C"), 0u);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"old"}));
}

TEST_F(SubclassDispatch, DestroyWithAClientIsDispatchedLikeAnyMessage) {
    FakeClient a{"a", After, 1};
    AttachAll({&a}, kDestroyMessage);
    EXPECT_EQ(Send(kDestroyMessage), 77);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"a", "old"}));
    EXPECT_EQ(host.procs[kWindow], kDispatcher);
}

// A client that detaches itself from inside its handler.
class DetachingHost : public FakeHost {
  public:
    PropValue detachOnCall = 0;
    MessageResult CallClient(PropValue client, WindowId w, std::uint32_t m, std::uintptr_t wp,
                             std::intptr_t lp) override {
        const MessageResult r = FakeHost::CallClient(client, w, m, wp, lp);
        if (client == detachOnCall)
            Detach(*this, client, w, m);
        return r;
    }
};

TEST(SubclassDispatchReentry, FirstClientDetachingItselfIsNotAskedAfterwards) {
    DetachingHost host;
    FakeClient a{"a", After, 1}, b{"b", Consume, 2};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    ASSERT_EQ(Attach(host, Id(b), kWindow, kMinMax), AttachError::None);
    host.detachOnCall = Id(a);
    // After a leaves, b is the first client: its Consume decides.
    EXPECT_EQ(Dispatch(host, kWindow, kMinMax, 0, 0), 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"b", "a"}));
}

TEST(SubclassDispatchReentry, LastClientDetachingInItsHandlerRestoresTheWindow) {
    DetachingHost host;
    FakeClient a{"a", Before, 1};
    ASSERT_EQ(Attach(host, Id(a), kWindow, kMinMax), AttachError::None);
    host.detachOnCall = Id(a);
    EXPECT_EQ(Dispatch(host, kWindow, kMinMax, 0, 0), 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"old", "a"}));
    EXPECT_EQ(host.procs[kWindow], kOriginalProc);
    EXPECT_EQ(host.PropCount(kWindow), 0u);
}

} // namespace
} // namespace klevotrim::subclass::test
