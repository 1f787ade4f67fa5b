#include "app/dialogs/FEnvironment.h"

#include "core/UAppFrame.h"

namespace {
// This platform keeps the larger display limit of the systems with more memory.
constexpr int kDefaultDispLimit = 800;
constexpr int kDefaultPrintLimit = 0;
} // namespace

int GetImageDispLimitSize() {
    return ReadSettingInteger(QStringLiteral("ImageDispLimitSize"), kDefaultDispLimit);
}

int GetImagePrintLimitSize() {
    return ReadSettingInteger(QStringLiteral("ImagePrintLimitSize"), kDefaultPrintLimit);
}
