#include "ui/TaskThumbnails.h"

#include "pipeline/ThumbnailMaker.h"
#include "ui/JpegPicture.h"
#include "ui/ToolbarPictures.h"

#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The picture in the middle of a clear box of the pictures' size, so that every row's text starts alike.
QIcon Boxed(const QPixmap& picture, qreal ratio)
{
    QPixmap box(TaskThumbnails::Box * ratio);
    box.fill(Qt::transparent);
    box.setDevicePixelRatio(ratio);
    if (!picture.isNull()) {
        const QSize size = picture.size().scaled(box.size(), Qt::KeepAspectRatio);
        QPainter painter(&box);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(QRectF(QPointF((box.width() - size.width()) / 2.0, (box.height() - size.height()) / 2.0) / ratio,
                                  QSizeF(size) / ratio),
                           picture, QRectF(picture.rect()));
    }
    return QIcon(box);
}

// The toolbar's film without the room it leaves for a badge.
QPixmap Film()
{
    return MakeToolbarIcon(ToolbarPicture::Film).pixmap(48).copy(2, 6, 38, 34);
}

}

TaskThumbnails::TaskThumbnails(QTreeWidget& list, const QString& encoderPath)
    : QObject(&list)
    , m_list(list)
    , m_maker(new ThumbnailMaker(encoderPath, Box * list.devicePixelRatioF(), this))
    , m_waiting(Boxed({}, list.devicePixelRatioF()))
    , m_film(Boxed(Film(), list.devicePixelRatioF()))
    , m_scrolled(new QTimer(this))
{
    m_list.setIconSize(Box);
    const QAbstractItemModel* model = m_list.model();
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { showRows(first, last); });
    // Rows move by exchanging their texts: a new caption is a new file.
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to, const QList<int>& roles) {
                if (from.column() == 0 && (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
                    showRows(from.row(), to.row());
            });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        for (int row = first; row <= last; ++row)
            m_maker->withdraw(m_list.topLevelItem(row)->text(0));
    });
    // A reset comes also while the list is being destroyed, when its rows can no longer be read.
    connect(model, &QAbstractItemModel::modelReset, m_maker, &ThumbnailMaker::withdrawAll);
    connect(m_maker, &ThumbnailMaker::finished, this, &TaskThumbnails::showMade);

    m_scrolled->setSingleShot(true);
    m_scrolled->setInterval(100);
    connect(m_scrolled, &QTimer::timeout, this, &TaskThumbnails::hurryVisibleRows);
    connect(m_list.verticalScrollBar(), &QScrollBar::valueChanged, m_scrolled, qOverload<>(&QTimer::start));
}

void TaskThumbnails::showRows(int first, int last, bool soon)
{
    for (int row = first; row <= last; ++row) {
        QTreeWidgetItem* item = m_list.topLevelItem(row);
        item->setIcon(0, iconOf(item->text(0), soon));
    }
}

void TaskThumbnails::showMade(const QString& path)
{
    // Captions are unique in the list, but it is no harm to show every row of the file.
    for (int row = 0; row < m_list.topLevelItemCount(); ++row) {
        if (m_list.topLevelItem(row)->text(0) == path)
            showRows(row, row);
    }
}

QIcon TaskThumbnails::iconOf(const QString& path, bool soon)
{
    if (path.isEmpty())
        return m_waiting;
    const ThumbnailMaker::Thumbnail thumbnail = m_maker->request(path, soon);
    switch (thumbnail.state) {
    case ThumbnailMaker::State::Waiting:
        return m_waiting;
    case ThumbnailMaker::State::Made:
        return pictureIcon(thumbnail.number, thumbnail.picture);
    case ThumbnailMaker::State::Failed:
        break;
    }
    return m_film;
}

QIcon TaskThumbnails::pictureIcon(int number, const QByteArray& picture)
{
    const auto found = m_pictures.constFind(number);
    if (found != m_pictures.cend())
        return *found;
    const QImage image = DecodeJpeg(picture);
    const QIcon icon = image.isNull() ? m_film : Boxed(QPixmap::fromImage(image), m_list.devicePixelRatioF());
    m_pictures.insert(number, icon);
    return icon;
}

void TaskThumbnails::hurryVisibleRows()
{
    QTreeWidgetItem* top = m_list.itemAt(0, 0);
    QTreeWidgetItem* bottom = m_list.itemAt(0, m_list.viewport()->height() - 1);
    if (!top)
        return;
    const int first = m_list.indexOfTopLevelItem(top);
    const int last = bottom ? m_list.indexOfTopLevelItem(bottom) : m_list.topLevelItemCount() - 1;
    // Each goes to the front of the queue: the lowest last, so that it comes first.
    for (int row = last; row >= first; --row)
        showRows(row, row, true);
}
