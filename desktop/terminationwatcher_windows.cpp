#include "terminationwatcher.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace {

const wchar_t windowClass[] = L"FernwatchTerminationWatcher";

// The session ends for sure only with WM_ENDSESSION: after WM_QUERYENDSESSION (Qt's commit request) another
// program may still cancel the log-off, and this one should then go on running.
bool sessionEnds(UINT message, WPARAM wParam)
{
    return message == WM_ENDSESSION && wParam;
}

} // namespace

// A hidden window of its own hears the system whatever Qt has made: started in the tray, or offscreen, the
// program may have no window of Qt's. The system then waits until the window has answered.
class TerminationWatcher::Platform : public QAbstractNativeEventFilter
{
public:
    explicit Platform(TerminationWatcher& watcher)
        : m_watcher(watcher)
    {
        WNDCLASSW windowClassInfo = {};
        windowClassInfo.lpfnWndProc = receive;
        windowClassInfo.hInstance = GetModuleHandleW(nullptr);
        windowClassInfo.lpszClassName = windowClass;
        RegisterClassW(&windowClassInfo); // fails harmlessly for a second watcher: the class is there
        // A top-level window, not a message-only one: only those hear the end of the session.
        m_window = CreateWindowExW(0, windowClass, L"Fernwatch", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        if (m_window)
            SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~Platform() override
    {
        if (m_window)
            DestroyWindow(m_window);
    }

    // Qt's own windows: Qt answers the end of the session by closing them as though the user had, so this
    // comes first. A WM_CLOSE for no window is another program's request to end (QProcess::terminate()).
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        const MSG* msg = static_cast<const MSG*>(message);
        if (sessionEnds(msg->message, msg->wParam) || (msg->message == WM_CLOSE && !msg->hwnd))
            emit m_watcher.terminationRequested();
        return false;
    }

private:
    // WM_CLOSE to a window nobody can see is another program's request to end (taskkill without /F).
    static LRESULT CALLBACK receive(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<Platform*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && (sessionEnds(message, wParam) || message == WM_CLOSE)) {
            emit self->m_watcher.terminationRequested();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    TerminationWatcher& m_watcher;
    HWND m_window = nullptr;
};

TerminationWatcher::TerminationWatcher(QObject* parent)
    : QObject(parent)
    , m_platform(std::make_unique<Platform>(*this))
{}

TerminationWatcher::~TerminationWatcher() = default;
