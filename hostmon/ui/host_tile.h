#pragma once
// One host's tile in the main window: rate, average, last result and a graph of the last
// results on a background coloured by the success rate; tooltip and context menu.
#include <QFrame>
#include <QImage>
#include <QTimer>
#include <functional>

#include "common/settings_records.h"

class QMenu;

namespace orvanta {

class HostMonitor;

// What a tile paints, from the stored figures (no lock taken by the caller).
QImage PaintHostTile(const HostRecord& host, const PingParameters& parameters, QSize size);

class HostTile : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 50, kHeight = 60;

    HostTile(QWidget* parent, HostMonitor& monitor, const PingParameters& parameters, int index);
    int Index() const { return index_; }
    QMenu* ContextMenu() const { return menu_; }
    // The tooltip as shown (tab-separated fields as a table).
    QString ToolTipHtml() const;
    // The menu's first line names the host's tag, which the settings dialog may change.
    void RefreshMenuTitle();

signals:
    void resetRequested(int index);
    void traceRouteRequested(int index);
    void deleteRequested(int index);
    void settingsRequested(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool event(QEvent* event) override;

private:
    HostMonitor& monitor_;
    const PingParameters& parameters_;
    int index_;
    QMenu* menu_ = nullptr;
    QAction* title_ = nullptr;
    QTimer repaint_;
};

}  // namespace orvanta
