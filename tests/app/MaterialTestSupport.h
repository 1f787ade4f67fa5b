#pragma once
// A content folder for the material browsers: the program's folder holding catalogues and small
// pictures the test writes, found through an application frame; dialogs scripted.

#include "core/UAppFrame.h"
#include "tests/FakeDialogService.h"
#include "tests/app/AppTestSupport.h"

#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class MaterialFixture : public ::testing::Test {
protected:
    MaterialFixture();

    // A file of the content folder written in CP932; its full path.
    QString Write(const QString& relative, const QString& text);
    // An 8 x 8 picture file of one colour; its full path.
    QString Picture(const QString& relative, const QColor& color = Qt::red);
    QString Path(const QString& relative) const { return dir.filePath(relative); }

    PrivateSettings settings;
    QTemporaryDir dir;
    TAppFrame frame{nullptr};
    FakeDialogService dialogs;
};
