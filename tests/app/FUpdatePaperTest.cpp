// The paper update window and its actions on the started application: online from a local server,
// manual from a file, and every way it can fail leaving the store and the user's copy as they were.

#include "app/FMain.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FPaperUpdateInfo.h"
#include "app/dialogs/FURLEdit.h"
#include "app/dialogs/FUpdatePaper.h"
#include "controls/Exspined.h"
#include "core/UAppFrame.h"
#include "core/UDocStorage.h"
#include "imaging/UZLIB.h"
#include "papers/UPapers.h"
#include "platform/Stream.h"
#include "tests/HttpTestServer.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <unistd.h>

using TestSupport::ReadFile;
using TestSupport::WriteFile;

namespace {

QByteArray Packed(const QByteArray& plain) {
    TMemoryStream source, dest;
    source.WriteBuffer(plain.constData(), plain.size());
    source.SetPosition(0);
    ZLIBCompressStream(source, dest, TCompressionLevel::clFastest);
    return QByteArray(static_cast<const char*>(dest.Memory()), int(dest.GetSize()));
}

QByteArray Sha256(const QString& file) {
    return QCryptographicHash::hash(ReadFile(file), QCryptographicHash::Sha256);
}

QStringList OwnUpdateTemporaries() {
    QStringList own;
    for (const QString& prefix : {QStringLiteral("PPR"), QStringLiteral("PPZ")})
        own += QDir(WorkingCopyFolder()).entryList({QStringLiteral("%1%2-*").arg(prefix).arg(::getpid())}, QDir::Files);
    return own;
}

class UpdatePaperTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        papers = data->Papers();
        // A paper of the user's own, named like a system paper the update brings.
        std::unique_ptr<TComponent> mine(CloneComponent(papers->GetPaper(0), nullptr));
        auto* paper = static_cast<TPaperInfo*>(mine.get());
        paper->PaperName = QStringLiteral("Mine");
        paper->ReadOnly = false;
        papers->AddOrReplace(*paper);
        papers->Save();
        userCopy = papers->FileName();
        before = papers->GetUpdateInfo().PPRNo;
        count = papers->GetCount();
        WriteUpdate(before + 1);
        UseTestLimits();
        WriteSettingString(QStringLiteral("PPRUpdaterURL"), server.Url(QStringLiteral("/papers/info.vup")));
    }
    void TearDown() override { TfrmUpdatePaper::SetDefaultLimits({}); }
    static void UseTestLimits() {
        TPaperUpdateLimits limits;
        limits.StallMs = 300;
        limits.DownloadBytes = 8 << 20;
        TfrmUpdatePaper::SetDefaultLimits(limits);
    }

    // The installed papers as pattern `pattern`, with a new paper, a changed one and a system "Mine".
    void WriteUpdate(int pattern) {
        const QString file = dir.filePath(QStringLiteral("update.ppr"));
        QFile::remove(file);
        QFile::copy(ExeDir() + QStringLiteral("/quorlane.ppr"), file);
        QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        {
            TPapersV2 db(file, false);
            db.AddStandardExtraInfoBases();
            std::unique_ptr<TComponent> changed(CloneComponent(db.GetPaper(1), nullptr));
            auto* paper = static_cast<TPaperInfo*>(changed.get());
            changedName = paper->PaperName;
            paper->SetWidth(paper->Width() + 10);
            db.AddOrReplace(*paper);
            for (const char* name : {"NewPaper", "Mine"}) {
                std::unique_ptr<TComponent> fresh(CloneComponent(db.GetPaper(0), nullptr));
                auto* p = static_cast<TPaperInfo*>(fresh.get());
                p->PaperName = QString::fromLatin1(name);
                p->ReadOnly = true;
                db.AddOrReplace(*p);
            }
            TPaperUpdate update(nullptr);
            update.PPRNo = pattern;
            db.SetUpdateInfo(update);
            db.Save();
        }
        plain = ReadFile(file);
        dataFile = Packed(plain);
    }

    QByteArray InfoFile() const {
        return "OVANDREXA VERSION UP FILE\r\n" + QByteArray::number(before + 1) + ",2026/12/08 10:00:00\r\ndata.ppz\r\n";
    }

    HttpTestServer::Reply Serve(const HttpTestServer::Request& request) {
        if (request.Target.endsWith("info.vup"))
            return {infoStatus, InfoFile()};
        HttpTestServer::Reply reply{dataStatus, dataFile};
        reply.StallAfter = stallAfter;
        return reply;
    }

    void ExpectUnchanged(const QByteArray& copyHash) {
        EXPECT_EQ(Sha256(userCopy), copyHash);
        EXPECT_EQ(papers->GetCount(), count);
        EXPECT_EQ(papers->GetUpdateInfo().PPRNo, before);
        EXPECT_LT(papers->IndexOf(QStringLiteral("NewPaper")), 0);
        EXPECT_GE(papers->IndexOf(QStringLiteral("Mine")), 0);
        EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());
    }

    QTemporaryDir dir;
    TfrmMain* main = nullptr;
    TPapersV2* papers = nullptr;
    QString userCopy;
    QString changedName;
    int before = 0;
    int count = 0;
    QByteArray plain;
    QByteArray dataFile;
    int infoStatus = 200;
    int dataStatus = 200;
    int64_t stallAfter = -1;
    HttpTestServer server{[this](const HttpTestServer::Request& r) { return Serve(r); }};
};

TEST_F(UpdatePaperTest, OnlineTheNewPapersAreMergedAndTheUsersCopyWritten) {
    const int changedWidth = papers->GetPaper(papers->IndexOf(changedName))->Width();
    // Paper selection is hosted meanwhile, every genre shown.
    main->actNew->trigger();
    QWidget* const selection = main->HostedForm();
    TfrmPaperSelectPanel* panel = HostedPaperPanel(main);
    ASSERT_NE(panel, nullptr);
    const auto listed = [panel](const QString& name) {
        panel->lbGenre->setCurrentRow(-1);
        panel->lbGenre->clearSelection();
        panel->RefreshGenre(false);
        panel->cbMaker->setCurrentIndex(0);
        panel->cbGroup->setCurrentIndex(0);
        panel->RefreshGenre(true);
        for (int i = 0; i < panel->lvPaper->topLevelItemCount(); ++i)
            for (int c = 0; c < panel->lvPaper->columnCount(); ++c)
                if (panel->lvPaper->topLevelItem(i)->text(c) == name)
                    return true;
        return false;
    };
    ASSERT_TRUE(listed(QStringLiteral("Mine")));
    EXPECT_FALSE(listed(QStringLiteral("NewPaper")));
    dialogs.answers = {mrOk};
    bool sawQuery = false;
    WhenModal([&](QWidget* w) {
        auto* form = qobject_cast<TfrmUpdatePaper*>(w);
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Page(), TfrmUpdatePaper::pgQueryConnect);
        form->btnConnect->click();
        sawQuery = form->Page() == TfrmUpdatePaper::pgQueryUpdate && form->btnConnect->isEnabled() &&
                   form->lblNewNo->text().contains(FormatPatternNo(before + 1));
        form->btnConnect->click();
    });
    main->actUpdatePaper->trigger();
    EXPECT_TRUE(sawQuery);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "用紙情報のアップデートが正常に終了しました。");
    EXPECT_EQ(papers->GetUpdateInfo().PPRNo, before + 1);
    EXPECT_GE(papers->IndexOf(QStringLiteral("NewPaper")), 0);
    EXPECT_EQ(papers->GetPaper(papers->IndexOf(changedName))->Width(), changedWidth + 10);
    ASSERT_GE(papers->IndexOf(QStringLiteral("Mine$")), 0) << "the user's paper stays, out of the way";
    EXPECT_FALSE(papers->GetPaper(papers->IndexOf(QStringLiteral("Mine$")))->ReadOnly);
    EXPECT_EQ(TPapersV2::ReadPPRNo(userCopy), before + 1) << "told only once the copy is written";
    EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());
    EXPECT_EQ(server.Requests().size(), 2);
    EXPECT_EQ(main->HostedForm(), selection);
    EXPECT_TRUE(listed(QStringLiteral("NewPaper"))) << "the hosted paper selection lists the new papers";
    EXPECT_TRUE(listed(QStringLiteral("Mine$")));
}

TEST_F(UpdatePaperTest, EveryFailureLeavesTheStoreAndTheUsersCopyAsTheyWere) {
    const QByteArray hash = Sha256(userCopy);
    QByteArray flipped = dataFile;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x33);
    const QByteArray packed = dataFile;
    const struct {
        const char* name;
        std::function<void()> arrange;
    } failures[] = {
        {"info 404", [&] { infoStatus = 404; }},
        {"data 404", [&] { dataStatus = 404; }},
        {"html", [&] { dataFile = "<html><body>maintenance</body></html>"; }},
        {"stall", [&] { stallAfter = 100; }},
        {"damage", [&] { dataFile = flipped; }},
        {"cap", [&] { dataFile = QByteArray(9 << 20, 'x'); }},
        {"cut", [&] { dataFile = packed.left(packed.size() - 50); }},
        // An older data file behind the info file's newer number.
        {"older", [&] { WriteUpdate(before); }},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.name);
        infoStatus = dataStatus = 200;
        stallAfter = -1;
        dataFile = packed;
        failure.arrange();
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        if (form.Page() == TfrmUpdatePaper::pgQueryUpdate)
            form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgConnectionFailure);
        EXPECT_FALSE(form.lblFailure->text().isEmpty());
        if (QByteArray(failure.name) == "older") {
            EXPECT_TRUE(form.lblFailure->text().contains("「data.ppz」のパターン番号"))
                << qPrintable(form.lblFailure->text());
        }
        EXPECT_EQ(form.btnConnect->text(), "再接続");
        ExpectUnchanged(hash);
    }
    dataFile = packed;

    // 200 MiB without a length under the shipped caps, from a server of its own thread that sends as
    // fast as it is taken: reading stops at the cap.
    {
        QThread serving;
        auto* context = new QObject;
        context->moveToThread(&serving);
        QObject::connect(&serving, &QThread::finished, context, &QObject::deleteLater);
        serving.start();
        const QByteArray body(200 << 20, 'x');
        std::unique_ptr<HttpTestServer> flood;
        QMetaObject::invokeMethod(context, [&] {
            flood = std::make_unique<HttpTestServer>([&](const HttpTestServer::Request& request) {
                HttpTestServer::Reply reply{200, request.Target.endsWith("info.vup") ? InfoFile() : body};
                reply.Announced = -2;
                return reply;
            });
        }, Qt::BlockingQueuedConnection);
        WriteSettingString(QStringLiteral("PPRUpdaterURL"), flood->Url(QStringLiteral("/papers/info.vup")));
        TfrmUpdatePaper::SetDefaultLimits({});
        {
            TfrmUpdatePaper form(main, papers);
            form.btnConnect->click();
            form.btnConnect->click();
            EXPECT_EQ(form.lblFailure->text(), "ファイルが大きすぎます。");
        }
        int64_t taken = 0;
        QMetaObject::invokeMethod(context, [&] {
            taken = flood->BytesTaken();
            flood.reset();
        }, Qt::BlockingQueuedConnection);
        serving.quit();
        serving.wait();
        // The cap, and what the sockets' buffers hold.
        EXPECT_LT(taken, TPaperUpdateLimits().DownloadBytes + (16 << 20)) << "read on past the cap";
        ExpectUnchanged(hash);
        WriteSettingString(QStringLiteral("PPRUpdaterURL"), server.Url(QStringLiteral("/papers/info.vup")));
        UseTestLimits();
    }

    // Aborted during the transfer: the answer OK stops it and nothing is merged.
    {
        stallAfter = 1000;
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        dialogs.answers = {mrOk};
        QTimer::singleShot(50, &form, [&] { form.btnAbort->click(); });
        form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgConnectionFailure);
        EXPECT_EQ(dialogs.boxes.back().text, "中断しますか？");
        ExpectUnchanged(hash);
        stallAfter = -1;
    }
    // Cancelled during the merge.
    {
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        dialogs.answers = {mrOk};
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, &form, [&] {
            if (form.Page() == TfrmUpdatePaper::pgMerging && !form.btnAbort->isHidden())
                form.btnAbort->click();
        });
        timer.start(0);
        form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgFinish);
        EXPECT_TRUE(form.lblFinish->text().startsWith("更新の途中でエラーが発生しました"));
        ExpectUnchanged(hash);
    }
    // The user's copy cannot be written: a folder stands in its place.
    {
        const QString aside = userCopy + QStringLiteral(".kept");
        ASSERT_TRUE(QFile::rename(userCopy, aside));
        ASSERT_TRUE(QDir().mkdir(userCopy));
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgFinish);
        ASSERT_TRUE(QDir().rmdir(userCopy));
        ASSERT_TRUE(QFile::rename(aside, userCopy));
        ExpectUnchanged(hash);
    }
    // A proxy that refuses the account.
    {
        HttpTestServer proxy([](const HttpTestServer::Request&) {
            return HttpTestServer::Reply{407, {}, {{"Proxy-Authenticate", "Basic realm=\"p\""}}};
        });
        WriteSettingBool(QStringLiteral("ProxyUse"), false);
        WriteSettingString(QStringLiteral("ProxyAddress"), QStringLiteral("127.0.0.1"));
        WriteSettingString(QStringLiteral("ProxyPort"), QString::number(proxy.Port()));
        WriteSettingBool(QStringLiteral("ProxyUseAccount"), true);
        WriteSettingString(QStringLiteral("ProxyAccount"), QStringLiteral("user"));
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgConnectionFailure);
        EXPECT_TRUE(form.lblFailure->text().contains("プロキシ"));
        WriteSettingBool(QStringLiteral("ProxyUse"), true);
    }
    EXPECT_EQ(dialogs.answers.size(), 0u);
}

TEST_F(UpdatePaperTest, AnUpdateStoppedAtItsCapLetsItsConnectionGoWhileTheWindowIsOpen) {
    for (const bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "length over the cap" : "endless body");
        // Neither reply ever ends from the server's side: only the client can close the connection.
        HttpTestServer capped([&](const HttpTestServer::Request& request) {
            if (request.Target.endsWith("info.vup"))
                return HttpTestServer::Reply{200, InfoFile()};
            HttpTestServer::Reply reply{200, QByteArray(64 << 10, 'x')};
            if (announced) {
                reply.Announced = 9 << 20;
                reply.StallAfter = 0;
            } else {
                reply.Endless = true;
            }
            return reply;
        });
        WriteSettingString(QStringLiteral("PPRUpdaterURL"), capped.Url(QStringLiteral("/papers/info.vup")));
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        form.btnConnect->click();
        EXPECT_EQ(form.lblFailure->text(), "ファイルが大きすぎます。");
        QDeadlineTimer deadline(3000);
        while (capped.OpenConnections() > 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(capped.OpenConnections(), 0) << "still connected after the stop";
        EXPECT_EQ(capped.Requests().size(), 2);
    }
}

TEST_F(UpdatePaperTest, NoNetworkAnOlderPatternAndTheManualWay) {
    EXPECT_EQ(FormatPatternNo(7), "0007");
    EXPECT_EQ(FormatPatternNo(12345), "12345");
    EXPECT_EQ(FormatLastUpdate(0), "未更新");
    EXPECT_EQ(FormatLastUpdate(DateTimeFromParts(2003, 4, 5, 12)), "2003年4月5日");

    THTTPDownload::SetNetworkProbe([] { return false; });
    {
        TfrmUpdatePaper form(main, papers);
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgDisableConnect);
        EXPECT_FALSE(form.btnConnect->isEnabled());
    }
    THTTPDownload::SetNetworkProbe(nullptr);

    // An announced pattern that is not newer is no update.
    const QByteArray hash = Sha256(userCopy);
    before -= 1;
    {
        TfrmUpdatePaper form(main, papers);
        form.btnConnect->click();
        EXPECT_EQ(form.Page(), TfrmUpdatePaper::pgQueryUpdate);
        EXPECT_EQ(form.lblQueryUpdate->text(), "新しい更新情報はありません");
        EXPECT_FALSE(form.btnConnect->isEnabled());
    }
    before += 1;

    // Manual: an older file is refused, a damaged one named, a newer .ppz and .ppr taken.
    TfrmUpdatePaper form(main, papers);
    form.rbManual->click();
    EXPECT_FALSE(form.btnUpdate->isHidden());
    EXPECT_TRUE(form.btnConnect->isHidden());
    const QString file = dir.filePath(QStringLiteral("chosen.ppz"));
    WriteUpdate(before);
    WriteFile(file, dataFile);
    form.ChooseUpdateFile(file);
    EXPECT_FALSE(form.btnUpdate->isEnabled());
    dialogs.answers = {mrOk};
    WriteFile(file, "garbage");
    form.ChooseUpdateFile(file);
    EXPECT_EQ(dialogs.boxes.back().text, "用紙情報更新ファイルが壊れています");
    EXPECT_FALSE(form.btnUpdate->isEnabled());
    ExpectUnchanged(hash);

    WriteUpdate(before + 1);
    WriteFile(file, plain);
    form.ChooseUpdateFile(file);
    EXPECT_EQ(form.lblFileNo->text(), "更新ファイルのパターン番号：" + FormatPatternNo(before + 1));
    ASSERT_TRUE(form.btnUpdate->isEnabled());
    dialogs.answers = {mrYes, mrOk};
    form.btnUpdate->click();
    EXPECT_EQ(dialogs.boxes.back().text, "用紙情報のアップデートが正常に終了しました。");
    EXPECT_EQ(TPapersV2::ReadPPRNo(userCopy), before + 1);
    EXPECT_GE(papers->IndexOf(QStringLiteral("NewPaper")), 0);
    EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());
}

TEST_F(UpdatePaperTest, TheUpdateAddressAndRecordWindowsAndTheSpecialMenu) {
    main->popupHelp->popup(QPoint(0, 0));
    EXPECT_FALSE(main->actAdvancedURL->isVisible());
    main->popupHelp->hide();
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    main->popupHelp->popup(QPoint(0, 0));
    EXPECT_TRUE(main->actAdvancedURL->isVisible());
    main->popupHelp->hide();
    EXPECT_TRUE(main->popupFile->actions().contains(main->actUpdatePaper));
    EXPECT_TRUE(main->popupFile->actions().contains(main->actEnvironment));

    WhenModal([](QWidget* w) {
        auto* form = qobject_cast<TfrmURLEdit*>(w);
        ASSERT_NE(form, nullptr);
        form->edtURL->setText(QStringLiteral("ftp://example/info.vup"));
        EXPECT_FALSE(form->btnOK->isEnabled());
        form->edtURL->setText(QStringLiteral("http:///info.vup"));
        EXPECT_FALSE(form->btnOK->isEnabled());
        form->edtURL->setText(QStringLiteral("https://mirror.example/p/info.vup"));
        ASSERT_TRUE(form->btnOK->isEnabled());
        form->btnOK->click();
    });
    main->actAdvancedURL->trigger();
    EXPECT_EQ(ReadSettingString(QStringLiteral("PPRUpdaterURL"), QString()), "https://mirror.example/p/info.vup");

    TfrmPaperUpdateInfo info;
    info.SetPapers(papers);
    EXPECT_EQ(info.sePPRNo->Value(), before);
    info.sePPRNo->SetValue(4321);
    info.edtLastUpdate->setText(QStringLiteral("2025/01/02 03:04:05"));
    info.btnOK->click();
    EXPECT_EQ(papers->GetUpdateInfo().PPRNo, 4321);
    EXPECT_EQ(papers->GetUpdateInfo().LastUpdate, DateTimeFromParts(2025, 1, 2, 3, 4, 5));
    EXPECT_EQ(TPapersV2::ReadPPRNo(userCopy), 4321) << "saved at once";
    TfrmPaperUpdateInfo again;
    again.SetPapers(papers);
    EXPECT_EQ(again.edtLastUpdate->text(), "2025/01/02 03:04:05");
}

} // namespace
