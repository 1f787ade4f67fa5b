#pragma once
// What the test plug-in offers beyond the plug-in protocol, so the tests can look inside.

#include "core/UPluginList.h"

inline constexpr TGUID kImportCategory = GUIDLiteral("{0D01349C-343D-490A-A363-64130FB91C83}");
inline constexpr TGUID kSecondCategory = GUIDLiteral("{07BEF9A3-18CD-4102-B55C-3228E2DC9123}");
inline constexpr TGUID kOtherCategory = GUIDLiteral("{5B1C2D3E-0000-4000-8000-00000000C0DE}");

inline constexpr TGUID kImportClass = GUIDLiteral("{A1000000-0000-4000-8000-000000000001}");
inline constexpr TGUID kSecondClass = GUIDLiteral("{A1000000-0000-4000-8000-000000000002}");
inline constexpr TGUID kOtherClass = GUIDLiteral("{A1000000-0000-4000-8000-000000000003}");

// Every object of the test plug-in answers this.
struct ITestPluginObject : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{A1000000-0000-4000-8000-0000000000FF}");
    virtual TGUID ClassID() = 0;
    virtual IUnknownEx* Host() = 0;
};

// Test-only exports of the plug-in library.
using TTestPluginSetFailing = void (*)(int failing);
inline constexpr const char* kTestPluginSetFailing = "TestPluginSetFailing";
using TTestPluginLiveObjects = int (*)();
inline constexpr const char* kTestPluginLiveObjects = "TestPluginLiveObjects";
// Run's answer from now on: 1 a picture made, 0 none, -1 a failure.
using TTestPluginSetRunResult = void (*)(int result);
inline constexpr const char* kTestPluginSetRunResult = "TestPluginSetRunResult";
// The import class's picture.
inline constexpr int kTestPluginWidth = 40;
inline constexpr int kTestPluginHeight = 30;
inline constexpr uint32_t kTestPluginColour = 0x2080C0; // 0xRRGGBB
