#pragma once

#include <QIcon>
#include <QIconEngine>

#include "shell/command_table.h"

namespace zolt {

// An icon drawn by code at whatever size and pixel ratio it is asked for, so that it is sharp
// on any screen. Disabled icons are the same picture in faded grey.
class ArtIconEngine final : public QIconEngine {
  public:
    explicit ArtIconEngine(Art art) : art_(art) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QIconEngine* clone() const override { return new ArtIconEngine(art_); }
    QString key() const override { return QStringLiteral("zolt-art"); }

  private:
    Art art_;
};

QIcon ArtIcon(Art art);

}  // namespace zolt
