#include "core/UGlobalNotify.h"

#include "platform/Application.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>

namespace {

// Runs the message loop for a while, so that it goes idle at least once.
void RunLoop(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

TEST(GlobalNotify, ScreenEventsReachEveryComponentWithItselfAsSender) {
    TGlobalNotify a(nullptr), b(nullptr);
    int controlA = 0, formA = 0, controlB = 0;
    TObject* sender = nullptr;
    a.OnActiveControlChange = [&](TObject* s) {
        ++controlA;
        sender = s;
    };
    a.OnActiveFormChange = [&](TObject*) { ++formA; };
    b.OnActiveControlChange = [&](TObject*) { ++controlB; };
    TScreenEventDispatcher& dispatcher = ScreenEventDispatcher();
    dispatcher.Broadcast(&dispatcher, GUID_ActiveControlChange);
    EXPECT_EQ(controlA, 1);
    EXPECT_EQ(controlB, 1);
    EXPECT_EQ(formA, 0);
    EXPECT_EQ(sender, &a);
    dispatcher.Broadcast(&dispatcher, GUID_ActiveFormChange);
    dispatcher.Broadcast(&dispatcher, GUID_Changed); // not a screen event: ignored
    EXPECT_EQ(formA, 1);
    EXPECT_EQ(controlA, 1);
}

TEST(GlobalNotify, FreeingTheComponentUnsubscribes) {
    TScreenEventDispatcher& dispatcher = ScreenEventDispatcher();
    const int before = dispatcher.Broadcaster().ListenerCount();
    auto notify = std::make_unique<TGlobalNotify>(nullptr);
    EXPECT_EQ(dispatcher.Broadcaster().ListenerCount(), before + 1);
    notify.reset();
    EXPECT_EQ(dispatcher.Broadcaster().ListenerCount(), before);
    dispatcher.Broadcast(&dispatcher, GUID_ActiveControlChange);
}

TEST(GlobalNotify, OwnerFreesTheComponent) {
    TScreenEventDispatcher& dispatcher = ScreenEventDispatcher();
    const int before = dispatcher.Broadcaster().ListenerCount();
    {
        TComponent owner(nullptr);
        new TGlobalNotify(&owner);
        EXPECT_EQ(dispatcher.Broadcaster().ListenerCount(), before + 1);
    }
    EXPECT_EQ(dispatcher.Broadcaster().ListenerCount(), before);
}

TEST(GlobalNotify, FocusChangesAreAnnounced) {
    TGlobalNotify notify(nullptr);
    int control = 0;
    notify.OnActiveControlChange = [&](TObject*) { ++control; };
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit;
    auto* second = new QLineEdit;
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    QApplication::processEvents();
    first->setFocus();
    QApplication::processEvents();
    const int afterFirst = control;
    second->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), second);
    EXPECT_GT(control, afterFirst);
}

TEST(GlobalNotify, MutedIdleCallsNoHandler) {
    TGlobalNotify notify(nullptr);
    int idles = 0;
    notify.OnIdle = [&](TObject*) { ++idles; };
    MuteGlobalIdle();
    MuteGlobalIdle();
    UnmuteGlobalIdle();
    EXPECT_TRUE(GlobalIdleMuted());
    RunLoop(50);
    EXPECT_EQ(idles, 0);
    UnmuteGlobalIdle();
    UnmuteGlobalIdle(); // one too many is ignored
    EXPECT_FALSE(GlobalIdleMuted());
    QTimer::singleShot(0, [] {});
    RunLoop(50);
    EXPECT_GE(idles, 1);
}

TEST(GlobalNotify, IdleFiresWhenTheLoopRunsOutOfWork) {
    TGlobalNotify notify(nullptr);
    int idles = 0;
    TObject* sender = nullptr;
    notify.OnIdle = [&](TObject* s) {
        ++idles;
        sender = s;
    };
    RunLoop(50);
    EXPECT_GE(idles, 1);
    EXPECT_EQ(sender, &notify);
    // An idle that causes nothing is not followed by a stream of further idles.
    const int settled = idles;
    RunLoop(100);
    EXPECT_LE(idles - settled, 5);
}

TEST(GlobalNotify, ThrowingIdleHandlerIsReportedAndTheLoopGoesOn) {
    TGlobalNotify failing(nullptr), other(nullptr);
    int reported = 0, otherIdles = 0;
    QString message;
    TApplication::SetOnException([&](TObject*, const std::exception& e) {
        ++reported;
        message = QString::fromUtf8(e.what());
    });
    failing.OnIdle = [](TObject*) { throw std::runtime_error("idle failed"); };
    other.OnIdle = [&](TObject*) { ++otherIdles; };
    RunLoop(50);
    TApplication::SetOnException(nullptr);
    EXPECT_GE(reported, 1);
    EXPECT_EQ(message, u"idle failed");
    EXPECT_GE(otherIdles, 1);
}

TEST(GlobalNotify, ComponentFreedByAnEarlierIdleHandlerIsNotCalled) {
    TGlobalNotify killer(nullptr); // subscribed first, so called first
    auto victim = std::make_unique<TGlobalNotify>(nullptr);
    int victimIdles = 0;
    victim->OnIdle = [&](TObject*) { ++victimIdles; };
    killer.OnIdle = [&](TObject*) { victim.reset(); };
    RunLoop(50);
    EXPECT_EQ(victim, nullptr);
    EXPECT_EQ(victimIdles, 0);
}
