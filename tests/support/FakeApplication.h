// Stand-ins for driving the portable application and window code without a platform:
// a scripted clock, recorded waits and quits, and windows that record what they are asked.
#pragma once

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "ScopedInstance.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// A clock that starts at `start` and advances by `step` on every read; waits are
// recorded and advance the clock by the time waited.
struct ScriptedClock {
    uint32_t now = 1000;
    uint32_t step = 0;
    std::vector<uint32_t> waits;

    uint32_t Read() {
        const uint32_t t = now;
        now += step;
        return t;
    }
    void Wait(uint32_t ms) {
        waits.push_back(ms);
        now += ms;
    }
};

class FakeWindow : public KL::Window {
public:
    struct CreateCall {
        int32_t x, y, width, height, bits;
        bool fullScreen;
    };

    KL::Window* Clone() override { return new FakeWindow(); }
    bool BringToFront() override { return true; }
    bool SetPosition(int32_t x, int32_t y, int32_t width, int32_t height) override {
        positions.push_back({x, y, width, height, 0, false});
        return true;
    }
    const char* GetTitle() override { return GetNameString() ? GetNameString() : ""; }
    void SetHandle(KL::NativeWindowHandle h) override { handle = h; }
    void Create(int32_t x, int32_t y, int32_t width, int32_t height, int32_t bits, bool fullScreen,
                KL::IconHandle) override {
        creates.push_back({x, y, width, height, bits, fullScreen});
    }
    bool IsActive() override { return active; }
    void GetClientSize(int32_t* w, int32_t* h) override { *w = *h = 0; }
    bool Activate() override { return true; }
    bool Restore() override { return true; }
    void Unsupported(int32_t, int32_t, int32_t) override {}
    KL::NativeWindowHandle GetHandle() const override { return handle; }
    void SetActive(bool a) override { active = a; }

    KL::NativeWindowHandle handle = nullptr;
    bool active = false;
    std::vector<CreateCall> creates;
    std::vector<CreateCall> positions;
};

class FakeApplication : public KL::Application {
public:
    void Quit() override { ++quits; }
    int32_t ChangeDisplayMode(int32_t, int32_t, int32_t) override { return 0; }
    bool LoadBitmapFile(const char*, int32_t*, int32_t*, int32_t*, unsigned char**) override { return false; }
    bool StartThread(KL::ThreadProc, void*) override { return false; }
    uint32_t GetTime() override { return clock.Read(); }
    void Wait(uint32_t ms) override { clock.Wait(ms); }
    int MessageLoop() override {
        ++loops;
        return 0;
    }
    KL::Window* NewWindow() override {
        owned.push_back(std::make_unique<FakeWindow>());
        return owned.back().get();
    }
    void Stop() override { ++stops; }

    ScriptedClock clock;
    int quits = 0;
    int stops = 0;
    int loops = 0;
    std::vector<std::unique_ptr<FakeWindow>> owned;
};

// Makes an application the singleton for the scope of a test and puts back the previous one.
using ScopedAppInstance = ScopedInstance<KL::Application>;

// A listener that records the events it receives as short names ("close", "resize 800 600").
class RecordingListener : public KL::WindowListener {
public:
    explicit RecordingListener(std::vector<std::string>* sink = nullptr, std::string tag = "")
        : m_sink(sink ? sink : &events), m_tag(std::move(tag)) {}

    void OnInitDialog() override { Add("initdialog"); }
    void OnAttach() override { Add("attach"); }
    void OnLeftButtonDown() override { Add("ldown"); }
    void OnLeftButtonUp() override { Add("lup"); }
    void OnLeftDoubleClick() override { Add("ldouble"); }
    void OnMiddleButtonDown() override { Add("mdown"); }
    void OnMiddleButtonUp() override { Add("mup"); }
    void OnMiddleDoubleClick() override { Add("mdouble"); }
    void OnRightButtonDown() override { Add("rdown"); }
    void OnRightButtonUp() override { Add("rup"); }
    void OnRightDoubleClick() override { Add("rdouble"); }
    void OnDestroy() override { Add("destroy"); }
    void OnFocusLost() override { Add("focuslost"); }
    void OnUserEvent() override { Add("user"); }
    void OnActivate() override { Add("activate"); }
    void OnClickActivate() override { Add("clickactivate"); }
    void OnDeactivate() override { Add("deactivate"); }
    void OnClose() override { Add("close"); }
    void OnQuit() override { Add("quit"); }
    void OnEnterSizeMove() override { Add("entersizemove"); }
    void OnExitSizeMove() override { Add("exitsizemove"); }
    void OnResize(int32_t w, int32_t h) override { Add("resize " + std::to_string(w) + " " + std::to_string(h)); }
    void OnFrame(uint32_t t) override { Add("frame " + std::to_string(t)); }
    void OnKeyDown(int32_t key, int32_t modifiers) override {
        Add("key " + std::to_string(key) + " " + std::to_string(modifiers));
    }

    std::vector<std::string> events;

private:
    void Add(const std::string& e) { m_sink->push_back(m_tag.empty() ? e : m_tag + ":" + e); }
    std::vector<std::string>* m_sink;
    std::string m_tag;
};
