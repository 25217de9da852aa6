#include "ui/ToolbarPictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>


namespace {

constexpr int Size = 48;

const QColor Blue(13, 148, 221);
const QColor Green(46, 160, 67);
const QColor Red(214, 57, 57);
const QColor Amber(236, 168, 38);
const QColor Slate(90, 100, 112);

void Badge(QPainter& p, const QColor& colour, bool plus)
{
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(colour);
    p.drawEllipse(QRectF(28, 28, 18, 18));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 37), QPointF(42, 37));
    if (plus)
        p.drawLine(QPointF(37, 32), QPointF(37, 42));
}

void Film(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Slate);
    p.drawRoundedRect(QRectF(4, 8, 34, 30), 4, 4);
    p.setBrush(Qt::white);
    for (int i = 0; i < 4; ++i) {
        p.drawRect(QRectF(7, 11 + i * 7, 4, 4));
        p.drawRect(QRectF(31, 11 + i * 7, 4, 4));
    }
    p.setBrush(Blue);
    p.drawRect(QRectF(13, 11, 16, 24));
}

void Folder(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Amber.darker(115));
    p.drawRoundedRect(QRectF(4, 9, 18, 10), 3, 3);
    p.setBrush(Amber);
    p.drawRoundedRect(QRectF(4, 13, 38, 26), 3, 3);
}

void Arrow(QPainter& p, bool up)
{
    QPainterPath path;
    const double tip = up ? 6 : 42;
    const double base = up ? 24 : 24;
    const double tail = up ? 42 : 6;
    path.moveTo(24, tip);
    path.lineTo(42, base);
    path.lineTo(31, base);
    path.lineTo(31, tail);
    path.lineTo(17, tail);
    path.lineTo(17, base);
    path.lineTo(6, base);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPath(path);
}

void Gear(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Slate);
    p.translate(24, 24);
    for (int i = 0; i < 8; ++i) {
        p.drawRoundedRect(QRectF(-4, -21, 8, 10), 2, 2);
        p.rotate(45);
    }
    p.drawEllipse(QPointF(0, 0), 15, 15);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 6, 6);
    p.resetTransform();
}

void Letter(QPainter& p, const QColor& colour, const QString& letter)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QRectF(4, 4, 40, 40));
    QFont font("DejaVu Sans");
    font.setPixelSize(28);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(4, 4, 40, 40), Qt::AlignCenter, letter);
}

void Draw(QPainter& p, ToolbarPicture picture)
{
    switch (picture) {
    case ToolbarPicture::AddFile:
        Film(p);
        Badge(p, Green, true);
        break;
    case ToolbarPicture::AddDir:
        Folder(p);
        Badge(p, Green, true);
        break;
    case ToolbarPicture::Up:
        Arrow(p, true);
        break;
    case ToolbarPicture::Down:
        Arrow(p, false);
        break;
    case ToolbarPicture::Remove:
        Film(p);
        Badge(p, Red, false);
        break;
    case ToolbarPicture::Clear:
        p.setPen(Qt::NoPen);
        p.setBrush(Slate);
        p.drawRoundedRect(QRectF(10, 14, 28, 30), 3, 3);
        p.drawRoundedRect(QRectF(6, 8, 36, 5), 2, 2);
        p.drawRect(QRectF(19, 4, 10, 5));
        p.setBrush(Qt::white);
        for (int x : {16, 23, 30})
            p.drawRect(QRectF(x, 18, 3, 22));
        break;
    case ToolbarPicture::Start: {
        p.setPen(Qt::NoPen);
        p.setBrush(Green);
        p.drawEllipse(QRectF(3, 3, 42, 42));
        QPainterPath play;
        play.moveTo(19, 13);
        play.lineTo(36, 24);
        play.lineTo(19, 35);
        play.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(play);
        break;
    }
    case ToolbarPicture::Stop:
        p.setPen(Qt::NoPen);
        p.setBrush(Red);
        p.drawEllipse(QRectF(3, 3, 42, 42));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(16, 16, 16, 16), 2, 2);
        break;
    case ToolbarPicture::Setting:
        Gear(p);
        break;
    case ToolbarPicture::About:
        Letter(p, Blue, "i");
        break;
    case ToolbarPicture::Help:
        Letter(p, Amber, "?");
        break;
    case ToolbarPicture::Film:
        Film(p);
        break;
    }
}

QPixmap Faded(const QPixmap& picture)
{
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 150 + qGray(line[x]) / 3;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) / 2);
        }
    }
    return QPixmap::fromImage(image);
}

}

QIcon MakeToolbarIcon(ToolbarPicture picture)
{
    QPixmap normal(Size, Size);
    normal.fill(Qt::transparent);
    {
        QPainter painter(&normal);
        painter.setRenderHint(QPainter::Antialiasing);
        Draw(painter, picture);
    }
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Faded(normal), QIcon::Disabled);
    return icon;
}
