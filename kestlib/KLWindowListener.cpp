#include "KLWindowListener.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLLog.h"

namespace KL {

void WindowListener::HandleEvent(const Event& event) {
    switch (event.type) {
    case kEventActivate: OnActivate(); break;
    case kEventLeftButtonDown: OnLeftButtonDown(); break;
    case kEventDestroy: OnDestroy(); break;
    case kEventInitDialog: OnInitDialog(); break;
    case kEventFocusLost: OnFocusLost(); break;
    case kEventClickActivate: OnClickActivate(); break;
    case kEventDeactivate: OnDeactivate(); break;
    case kEventResize: OnResize(event.arg1, event.arg2); break;
    case kEventClose: OnClose(); break;
    case kEventQuit: OnQuit(); break;
    case kEventLeftButtonUp: OnLeftButtonUp(); break;
    case kEventLeftDoubleClick: OnLeftDoubleClick(); break;
    case kEventMiddleButtonDown: OnMiddleButtonDown(); break;
    case kEventMiddleButtonUp: OnMiddleButtonUp(); break;
    case kEventMiddleDoubleClick: OnMiddleDoubleClick(); break;
    case kEventRightButtonDown: OnRightButtonDown(); break;
    case kEventRightButtonUp: OnRightButtonUp(); break;
    case kEventRightDoubleClick: OnRightDoubleClick(); break;
    case kEventEnterSizeMove: OnEnterSizeMove(); break;
    case kEventExitSizeMove: OnExitSizeMove(); break;
    case kEventFrame:
        if (Application* app = KLAbstractFactory<Application>::GetInstance()) OnFrame(app->GetTime());
        break;
    case kEventUser: OnUserEvent(); break;
    case kEventKeyDown: OnKeyDown(event.arg1, event.arg2); break;
    default: LogError("Unrecognized window event"); break;
    }
}

}  // namespace KL
