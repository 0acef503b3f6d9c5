#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

namespace tavik {

// The brand mark in QML, drawn by the same code as the tray icon.
class BrandMarkItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(BrandMark)
    Q_PROPERTY(bool windy READ windy WRITE setWindy NOTIFY windyChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)

public:
    explicit BrandMarkItem(QQuickItem* parent = nullptr);

    [[nodiscard]] bool windy() const { return m_windy; }
    void setWindy(bool windy);
    [[nodiscard]] QColor color() const { return m_color; }
    void setColor(const QColor& color);

    void paint(QPainter* painter) override;

signals:
    void windyChanged();
    void colorChanged();

private:
    bool m_windy = true;
    QColor m_color = Qt::white;
};

} // namespace tavik
