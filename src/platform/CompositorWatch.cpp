#include "platform/CompositorWatch.h"

#include "platform/X11Support.h"

#include <xcb/xfixes.h>

#include <QLoggingCategory>
#include <QTimer>

Q_LOGGING_CATEGORY(lcCompositor, "tavik.compositor", QtWarningMsg)

namespace tavik {

namespace {

// How often the selection's owner is asked where the server cannot announce its changes.
constexpr int kPollMs = 2000;

} // namespace

class CompositorWatch::Private final : public x11::EventListener {
public:
    explicit Private(CompositorWatch* owner) : q(owner)
    {
        xcb_connection_t* c = x11::connection();
        if (c == nullptr)
            return;
        // The screen whose root the rest of the program works on: the first.
        m_name = QStringLiteral("_NET_WM_CM_S0");
        m_selection = x11::atom("_NET_WM_CM_S0");
        if (m_selection == XCB_ATOM_NONE)
            return;
        if (!followWithXFixes(c)) {
            qCInfo(lcCompositor) << "no XFixes: asking for the compositor every" << kPollMs << "ms";
            m_poll.setInterval(kPollMs);
            QObject::connect(&m_poll, &QTimer::timeout, q, [this] { set(ownerPresent()); });
            m_poll.start();
        }
        m_compositing = ownerPresent();
        qCInfo(lcCompositor) << (m_compositing ? "a compositor is running" : "no compositor is running");
    }

    ~Private() override { x11::removeListener(this); }

    void x11Event(const xcb_generic_event_t* event) override
    {
        if ((event->response_type & 0x7f) != m_firstXFixesEvent + XCB_XFIXES_SELECTION_NOTIFY)
            return;
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->selection != m_selection)
            return;
        // A new owner may replace the old one in one step; a destroyed or closed owner leaves
        // none, whatever the event says.
        set(notify->subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER && notify->owner != XCB_WINDOW_NONE);
    }

    CompositorWatch* q;
    QString m_name;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    uint8_t m_firstXFixesEvent = 0;
    bool m_compositing = true;
    QTimer m_poll;

private:
    bool followWithXFixes(xcb_connection_t* c)
    {
        const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_xfixes_id);
        if (extension == nullptr || !extension->present)
            return false;
        const x11::Reply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 1, 0), nullptr));
        if (!version)
            return false;
        m_firstXFixesEvent = extension->first_event;
        x11::addListener(this);
        return x11::checked(xcb_xfixes_select_selection_input_checked(
            c, x11::rootWindow(), m_selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE));
    }

    [[nodiscard]] bool ownerPresent() const
    {
        xcb_connection_t* c = x11::connection();
        const x11::Reply<xcb_get_selection_owner_reply_t> reply(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr));
        // A server that does not answer is no reason to black out the screen.
        return !reply || reply->owner != XCB_WINDOW_NONE;
    }

    void set(bool compositing)
    {
        if (compositing == m_compositing)
            return;
        m_compositing = compositing;
        qCInfo(lcCompositor) << (compositing ? "a compositor started" : "the compositor went away");
        emit q->compositingChanged(compositing);
    }
};

CompositorWatch::CompositorWatch(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

CompositorWatch::~CompositorWatch() = default;

bool CompositorWatch::isCompositing() const
{
    return d->m_compositing;
}

QString CompositorWatch::selectionName() const
{
    return d->m_name;
}

} // namespace tavik
