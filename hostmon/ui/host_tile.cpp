#include "hostmon/ui/host_tile.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QPainter>
#include <QToolTip>

#include "hostmon/host_monitor.h"
#include "hostmon/host_statistics.h"
#include "hostmon/ui/host_drawing.h"

namespace orvanta {

QImage PaintHostTile(const HostRecord& host, const PingParameters& p, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ColourFromRef(TileColour(host, p)));
    QPainter g(&image);
    const QFont font = HostLabelFont();
    g.setFont(font);
    g.setPen(Qt::black);
    const int w = size.width();
    const int textHeight = QFontMetrics(font).height();
    const TileTexts t = MakeTileTexts(host);
    auto centred = [&](int y, const std::string& text) {
        g.drawText(QRect(0, y, w, textHeight), Qt::AlignHCenter | Qt::AlignTop,
                   QString::fromStdString(text));
    };
    // The two round-trip figures look alike; a word says which is which.
    centred(0, t.tag);
    centred(10, t.rate);
    centred(20, "avg " + t.average);
    if (t.lastBoxed) {
        g.save();
        g.setRenderHint(QPainter::Antialiasing);
        g.setBrush(ColourFromRef(kTimeoutBoxColour));
        g.drawRoundedRect(QRectF(0, 31, w, textHeight - 1), (w - 35) / 2.0, (textHeight - 1) / 2.0);
        g.restore();
    }
    centred(30, t.lastBoxed ? t.last : "last " + t.last);
    const auto heights = GraphHeights(host, w);
    const int bottom = size.height();
    for (std::size_t i = 0; i < heights.size(); ++i) {
        if (heights[i] <= 0) continue;
        // Newest in the rightmost column that exists (x = width would fall outside).
        const int x = w - 1 - static_cast<int>(i);
        if (x < 0) break;
        g.drawLine(x, bottom, x, bottom - heights[i]);
    }
    return image;
}

HostTile::HostTile(QWidget* parent, HostMonitor& monitor, const PingParameters& parameters,
                   int index)
    : QFrame(parent), monitor_(monitor), parameters_(parameters), index_(index) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setGeometry(index * 50 + 60, 10, kWidth, kHeight);
    setObjectName(QStringLiteral("hostTile%1").arg(index));

    menu_ = new QMenu(this);
    title_ = menu_->addAction(QString());
    title_->setEnabled(false);
    RefreshMenuTitle();
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("&Reset 24h statistics")), &QAction::triggered, this,
            [this] { emit resetRequested(index_); });
    connect(menu_->addAction(QStringLiteral("&Trace route to host")), &QAction::triggered, this,
            [this] { emit traceRouteRequested(index_); });
    connect(menu_->addAction(QStringLiteral("&Delete this host")), &QAction::triggered, this,
            [this] { emit deleteRequested(index_); });
    connect(menu_->addAction(QStringLiteral("&Settings...")), &QAction::triggered, this,
            [this] { emit settingsRequested(index_); });

    connect(&repaint_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    repaint_.start(1000);
}

void HostTile::RefreshMenuTitle() {
    const HostRecord h = monitor_.Snapshot(static_cast<std::size_t>(index_));
    title_->setText(QString::asprintf("%s's Menu", h.tag.c_str()));
}

QString HostTile::ToolTipHtml() const {
    const HostRecord h = monitor_.Snapshot(static_cast<std::size_t>(index_));
    QString text = QString::fromStdString(monitor_.Tooltip(static_cast<std::size_t>(index_)));
    // Before the first ping the monitor has no text yet: the host is named all the same.
    if (text.isEmpty())
        text = QStringLiteral("Host tag:\t%1\rHost address:\t%2")
                   .arg(QString::fromStdString(h.tag), QString::fromStdString(h.address));
    // What the tile's figures are.
    const TileTexts t = MakeTileTexts(h);
    text += QStringLiteral("\rSuccess rate:\t%1 (%2 of %3 pings)")
                .arg(QString::fromStdString(t.rate))
                .arg(h.successes)
                .arg(h.successes + h.failures);
    text += QStringLiteral("\ravg (reply time):\t%1")
                .arg(h.successes > 0 ? QString::fromStdString(t.average) + QStringLiteral(" ms")
                                     : QString::fromStdString(t.average));
    text += QStringLiteral("\rlast (last ping):\t%1")
                .arg(t.lastBoxed ? QString::fromStdString(t.last)
                                 : QString::fromStdString(t.last) + QStringLiteral(" ms"));
    QString html = QStringLiteral("<table>");
    for (const QString& line : text.split(QLatin1Char('\r'))) {
        const QStringList cells = line.split(QLatin1Char('\t'));
        html += QStringLiteral("<tr><td>%1</td><td>%2</td></tr>")
                    .arg(cells.value(0).toHtmlEscaped(), cells.value(1).toHtmlEscaped());
    }
    return html + QStringLiteral("</table>");
}

void HostTile::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect r = contentsRect();
    QPainter p(this);
    p.drawImage(r.topLeft(), PaintHostTile(monitor_.Snapshot(static_cast<std::size_t>(index_)),
                                           parameters_, r.size()));
}

void HostTile::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
}

bool HostTile::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), ToolTipHtml(), this);
        return true;
    }
    return QFrame::event(e);
}

}  // namespace orvanta
