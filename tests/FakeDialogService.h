#pragma once
// A dialog service for tests: records every dialog asked for and answers from a script. A dialog
// nobody scripted an answer for fails the test (and is cancelled).

#include "platform/DialogService.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

class FakeDialogService : public DialogService {
public:
    struct Box {
        QString text;
        std::vector<TBitBtnKind> buttons;
        int defaultIndex = -1;
        int cancelIndex = -1;
    };

    FakeDialogService() { DialogService::SetInstance(this); }
    ~FakeDialogService() override { DialogService::SetInstance(nullptr); }

    // Answers of the next message boxes, in order.
    std::deque<TModalResult> answers;
    // Files chosen in the next open or save dialogs (an empty entry cancels).
    std::deque<QString> files;
    // Filters chosen in the next file dialogs (1-based; none left keeps the request's own).
    std::deque<int> filterIndexes;
    std::vector<Box> boxes;
    std::vector<TFileDialogRequest> fileRequests;

    TModalResult MessageBox(const QString& text, const std::vector<TBitBtnKind>& buttons, int defaultIndex,
                            int cancelIndex) override {
        boxes.push_back({text, buttons, defaultIndex, cancelIndex});
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected message box: " << text.toStdString();
            return mrCancel;
        }
        const TModalResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool OpenFile(TFileDialogRequest& request, QStringList& fileNames) override {
        QString chosen;
        if (!NextFile(request, chosen))
            return false;
        fileNames = QStringList{chosen};
        return true;
    }
    bool SaveFile(TFileDialogRequest& request, QString& fileName) override {
        return NextFile(request, fileName);
    }
    bool SelectFolder(const QString&, QString& folder) override {
        TFileDialogRequest request;
        return NextFile(request, folder);
    }
    // Colours chosen in the next colour dialogs (an empty optional cancels); the custom colours the
    // dialog was shown, and those it hands back.
    std::deque<std::optional<uint32_t>> colors;
    std::vector<std::pair<uint32_t, TCustomColors>> colorRequests;
    TCustomColors customColorsOut{};
    bool SelectColor(uint32_t& color, TCustomColors& customColors) override {
        colorRequests.emplace_back(color, customColors);
        if (colors.empty()) {
            ADD_FAILURE() << "unexpected colour dialog";
            return false;
        }
        const std::optional<uint32_t> answer = colors.front();
        colors.pop_front();
        customColors = customColorsOut;
        if (!answer)
            return false;
        color = *answer;
        return true;
    }
    bool Print(TPrintDialogRequest&) override { return false; }
    // The answer of the next page set-up: the sheet and orientation chosen, or none to cancel.
    std::optional<TPageSetupRequest> pageSetupAnswer;
    std::vector<TPageSetupRequest> pageSetups;
    bool PageSetup(TPageSetupRequest& request) override {
        pageSetups.push_back(request);
        if (!pageSetupAnswer)
            return false;
        request.PageSize = pageSetupAnswer->PageSize;
        request.Orientation = pageSetupAnswer->Orientation;
        request.Copies = pageSetupAnswer->Copies;
        return true;
    }
    // The scanners chosen in the next selections, by index (-1 cancels); the lists offered.
    std::deque<int> scanners;
    std::vector<QStringList> scannerLists;
    bool SelectScanner(const QStringList& devices, int& index) override {
        scannerLists.push_back(devices);
        if (scanners.empty()) {
            ADD_FAILURE() << "unexpected scanner selection";
            return false;
        }
        index = scanners.front();
        scanners.pop_front();
        return index >= 0 && index < devices.size();
    }

private:
    bool NextFile(TFileDialogRequest& request, QString& chosen) {
        fileRequests.push_back(request);
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file dialog: " << request.Title.toStdString();
            return false;
        }
        chosen = files.front();
        files.pop_front();
        if (!filterIndexes.empty()) {
            request.FilterIndex = filterIndexes.front();
            filterIndexes.pop_front();
        }
        return !chosen.isEmpty();
    }
};
