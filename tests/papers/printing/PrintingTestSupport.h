#pragma once
// The fake printers the printing tests share: "Office" takes custom sizes, "Photo" does not.

#include "tests/FakePrinterBackend.h"

#include <gtest/gtest.h>

class PrintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = FakePrinterBackend::Install();
        backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
        backend->queues["Photo"] = FakePrinterBackend::OfficeQueue();
        backend->queues["Photo"].caps.CustomPageSizes = false;
        backend->defaultQueue = "Office";
    }
    void TearDown() override { SetPrinterBackend(nullptr); }

    FakePrinterBackend* backend = nullptr;
};
