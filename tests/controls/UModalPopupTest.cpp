#include "controls/UModalPopup.h"
#include "controls/Rdynotfy.h"
#include "controls/UBroadcastCatcher.h"
#include "controls/UClipboardNotify.h"
#include "core/UGlobalNotify.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QLabel>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class Marker : public QObject {
public:
    std::vector<QString>* log = nullptr;

protected:
    void customEvent(QEvent*) override { log->push_back(QStringLiteral("queued")); }
};

} // namespace

TEST(ModalPopupTest, NestedPopupsRestoreCursorModalityAndIdleInReverse) {
    QWidget main;
    main.show();
    main.activateWindow();
    QPointer<QWidget> outerForm;
    {
        TModalPopup outer([](QWidget* owner) { return new QLabel(QStringLiteral("waiting"), owner); }, &main);
        outerForm = outer.Form();
        ASSERT_TRUE(outerForm);
        EXPECT_TRUE(outerForm->isVisible());
        EXPECT_TRUE(outerForm->isWindow());
        EXPECT_EQ(QApplication::activeModalWidget(), outerForm.data());
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_TRUE(GlobalIdleMuted());
        {
            TModalPopup inner([](QWidget* owner) { return new QLabel(owner); }, outerForm, crCross);
            EXPECT_EQ(QApplication::activeModalWidget(), inner.Form());
            EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
        }
        EXPECT_EQ(QApplication::activeModalWidget(), outerForm.data());
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        EXPECT_TRUE(GlobalIdleMuted());
    }
    EXPECT_TRUE(outerForm.isNull());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(GlobalIdleMuted());

    // A form class that fails leaves nothing behind.
    EXPECT_THROW(TModalPopup([](QWidget*) -> QWidget* { throw std::runtime_error("no form"); }, &main),
                 std::runtime_error);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(GlobalIdleMuted());
}

TEST(ReadyNotifierTest, FiresOnceAfterEarlierEventsWhateverCoversTheCorner) {
    std::vector<QString> log;
    QWidget form;
    auto* cover = new QLabel(&form); // lies over (0, 0)
    cover->setGeometry(0, 0, 20, 20);
    form.show();
    Marker marker;
    marker.log = &log;
    QCoreApplication::postEvent(&marker, new QEvent(QEvent::User));
    TReadyNotifier notifier(&form);
    int fired = 0;
    notifier.OnReady = [&](TObject* sender) {
        EXPECT_EQ(sender, static_cast<TObject*>(&notifier));
        log.push_back(QStringLiteral("ready"));
        ++fired;
    };
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(fired, 1);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], QStringLiteral("queued"));

    TReadyNotifier orphan(nullptr);
    orphan.OnReady = [&](TObject*) { ++fired; };
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(fired, 1);
}

TEST(BroadcastCatcherTest, CatchesOnlyItsGUID) {
    TChangeNotify model;
    TBroadcastCatcher catcher;
    std::vector<TObject*> caught;
    catcher.OnCatch = [&](TObject* sender) { caught.push_back(sender); };
    catcher.Subscribe(&model);
    TObject source;
    model.Broadcast(&source, GUID_Changed); // empty GUID: only the zero GUID matches
    EXPECT_TRUE(caught.empty());
    model.Broadcast(&source, TGUID{});
    EXPECT_EQ(caught.size(), 1u);

    catcher.SetGUID(QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"));
    model.Broadcast(&source, GUID_Changed);
    model.Broadcast(&source, GUID_BroadcasterDestroyed);
    ASSERT_EQ(caught.size(), 2u);
    EXPECT_EQ(caught[1], &source);

    EXPECT_THROW(catcher.SetGUID(QStringLiteral("{not a guid}")), EConvertError);
    EXPECT_EQ(catcher.GUIDText(), QStringLiteral("{not a guid}"));
}

TEST(ClipboardNotifyTest, FiresAtStartAndOnChangesAndSwallowsFailures) {
    TClipboardNotify notify;
    int changes = 0;
    notify.OnChange = [&](TObject*) {
        ++changes;
        throw std::runtime_error("handler failed");
    };
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("貼り付け"));
    QCoreApplication::processEvents();
    EXPECT_GE(changes, 2);
}
