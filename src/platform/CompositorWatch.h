#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace tavik {

// Whether translucent windows are composited over what lies below them. An X11 screen needs a
// compositing manager, present while someone owns the `_NET_WM_CM_S<screen>` selection;
// without one a transparent window shows black. Other platforms always composite.
class CompositorWatch final : public QObject {
    Q_OBJECT
public:
    explicit CompositorWatch(QObject* parent = nullptr);
    ~CompositorWatch() override;

    [[nodiscard]] bool isCompositing() const;
    // The selection that tells, for messages: "_NET_WM_CM_S0"; empty where none does.
    [[nodiscard]] QString selectionName() const;

signals:
    // Sent when a compositing manager starts or goes away.
    void compositingChanged(bool compositing);

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace tavik
