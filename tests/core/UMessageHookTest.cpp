#include "core/UMessageHook.h"

#include "platform/Application.h"
#include "platform/Exception.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>
#include <gtest/gtest.h>

namespace {

const auto kProbe = static_cast<QEvent::Type>(QEvent::User + 17);

// Records what reaches it; can be told to remove others or throw while being called.
class Recorder {
public:
    explicit Recorder(std::vector<QString>* log, QString name) : log_(log), name_(std::move(name)) {}
    void Hook(tagMSG& message) {
        if (message.Message != kProbe)
            return;
        log_->push_back(name_);
        lastWindow = message.Window;
        lastEvent = message.Event;
        message.Message = 0; // a handler changes its own copy only
        if (removeFrom && victim)
            removeFrom->Remove(victim, &Recorder::Hook);
        if (raise)
            throw Exception(QStringLiteral("hook failed"));
    }
    QObject* lastWindow = nullptr;
    QEvent* lastEvent = nullptr;
    TMessageHookList* removeFrom = nullptr;
    Recorder* victim = nullptr;
    bool raise = false;

private:
    std::vector<QString>* log_;
    QString name_;
};

void SendProbe(QObject* receiver) {
    QEvent event(kProbe);
    QCoreApplication::sendEvent(receiver, &event);
}

void PostProbeFromWindowSystem(QObject* receiver) {
    QEvent event(kProbe);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QCoreApplication::instance()->notify(receiver, &event);
}

// Catches what the application would show for an exception.
struct ExceptionCatcher {
    ExceptionCatcher() {
        TApplication::SetOnException(
            [this](TObject*, const std::exception& e) { messages.push_back(e.what()); });
    }
    ~ExceptionCatcher() { TApplication::SetOnException(nullptr); }
    std::vector<std::string> messages;
};

} // namespace

TEST(MessageHookList, InstallsOnFirstHandlerAndStaysInstalled) {
    TSendMessageHookList list;
    std::vector<QString> log;
    Recorder a(&log, QStringLiteral("a"));
    EXPECT_FALSE(list.Installed());
    list.Add(&a, &Recorder::Hook);
    EXPECT_TRUE(list.Installed());
    list.Add(&a, &Recorder::Hook);
    EXPECT_EQ(list.Count(), 2);
    list.Remove(&a, &Recorder::Hook);
    list.Remove(&a, &Recorder::Hook);
    list.Remove(&a, &Recorder::Hook); // nothing left to match: no effect
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Installed());
    QObject target;
    SendProbe(&target);
    EXPECT_TRUE(log.empty());
}

TEST(MessageHookList, SentAndPostedEventsReachTheirOwnListOnly) {
    TSendMessageHookList sent;
    TPostMessageHookList posted;
    std::vector<QString> log;
    Recorder s(&log, QStringLiteral("sent"));
    Recorder p(&log, QStringLiteral("posted"));
    sent.Add(&s, &Recorder::Hook);
    posted.Add(&p, &Recorder::Hook);
    QObject target;

    SendProbe(&target);
    EXPECT_EQ(log, std::vector<QString>({"sent"}));
    EXPECT_EQ(s.lastWindow, &target);

    log.clear();
    PostProbeFromWindowSystem(&target);
    EXPECT_EQ(log, std::vector<QString>({"posted"}));
    EXPECT_EQ(p.lastWindow, &target);
    EXPECT_NE(p.lastEvent, nullptr);
}

TEST(MessageHookList, HandlersRunInOrderOnCopiesAndSkipThoseRemovedMeanwhile) {
    TSendMessageHookList list;
    std::vector<QString> log;
    Recorder a(&log, QStringLiteral("a"));
    Recorder b(&log, QStringLiteral("b"));
    Recorder c(&log, QStringLiteral("c"));
    list.Add(&a, &Recorder::Hook);
    list.Add(&b, &Recorder::Hook);
    list.Add(&c, &Recorder::Hook);
    QObject target;
    // Every handler sees the original message although a changes its copy.
    SendProbe(&target);
    EXPECT_EQ(log, std::vector<QString>({"a", "b", "c"}));

    // a removes c before c's turn: c is not called, and is gone afterwards.
    log.clear();
    a.removeFrom = &list;
    a.victim = &c;
    SendProbe(&target);
    EXPECT_EQ(log, std::vector<QString>({"a", "b"}));
    EXPECT_EQ(list.Count(), 2);

    // b removes itself while being called.
    log.clear();
    a.removeFrom = nullptr;
    b.removeFrom = &list;
    b.victim = &b;
    SendProbe(&target);
    SendProbe(&target);
    EXPECT_EQ(log, std::vector<QString>({"a", "b", "a"}));
}

TEST(MessageHookList, AFailingHandlerIsReportedAndTheOthersStillRun) {
    ExceptionCatcher catcher;
    TSendMessageHookList list;
    std::vector<QString> log;
    Recorder a(&log, QStringLiteral("a"));
    Recorder b(&log, QStringLiteral("b"));
    a.raise = true;
    list.Add(&a, &Recorder::Hook);
    list.Add(&b, &Recorder::Hook);
    QObject target;
    SendProbe(&target);
    EXPECT_EQ(log, std::vector<QString>({"a", "b"}));
    EXPECT_EQ(catcher.messages, std::vector<std::string>({"hook failed"}));
}

TEST(HookComponent, SeesOnlyItsWindowAndUnregistersWhenDestroyed) {
    struct Probe : TGetMessageHook {
        Probe() : TGetMessageHook(nullptr) {}
        int seen = 0;
        void Dispatch(tagMSG& message) override {
            if (message.Message == kProbe)
                ++seen;
        }
    };
    const int before = PostMessageHookList().Count();
    QWidget watched;
    QWidget other;
    {
        Probe probe;
        EXPECT_TRUE(probe.OwnerIsTarget);
        EXPECT_EQ(PostMessageHookList().Count(), before + 1);
        PostProbeFromWindowSystem(&watched); // no window yet
        probe.SetWindow(&watched);
        PostProbeFromWindowSystem(&watched);
        PostProbeFromWindowSystem(&other);
        SendProbe(&watched); // sent, not queued
        EXPECT_EQ(probe.seen, 1);
    }
    EXPECT_EQ(PostMessageHookList().Count(), before);
}

TEST(Application, HandleExceptionNeverThrowsAndGuardReportsFailure) {
    ExceptionCatcher catcher;
    EXPECT_TRUE(TApplication::Guard(nullptr, [] {}));
    EXPECT_FALSE(TApplication::Guard(nullptr, [] { throw std::runtime_error("boom"); }));
    EXPECT_FALSE(TApplication::Guard(nullptr, [] { throw 42; }));
    EXPECT_EQ(catcher.messages, std::vector<std::string>({"boom", "unknown exception"}));
    // A handler that itself throws is swallowed.
    TApplication::SetOnException([](TObject*, const std::exception&) { throw std::logic_error("again"); });
    EXPECT_NO_THROW(TApplication::HandleException(nullptr, std::runtime_error("first")));
}
