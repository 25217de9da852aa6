#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QSize>

class QTimer;
class QTreeWidget;
class ThumbnailMaker;

// The picture in each row of the task list: the file its caption names, at about a
// tenth of its length, made in the background once the row is there and shown when
// ready; the film icon where no picture can be made. A row's picture follows its
// caption, so rows moved, removed or cleared never show another file's picture.
class TaskThumbnails : public QObject {
    Q_OBJECT

public:
    // The pictures' box: a 16:9 picture fills it, the rows stay readable.
    static constexpr QSize Box{64, 36};

    TaskThumbnails(QTreeWidget& list, const QString& encoderPath);

    const ThumbnailMaker& maker() const { return *m_maker; }
    // A row's icon until its picture is there, and where none can be made.
    const QIcon& waitingIcon() const { return m_waiting; }
    const QIcon& filmIcon() const { return m_film; }

private:
    // Shows what there is for the rows' files, and asks for what is missing.
    void showRows(int first, int last, bool soon = false);
    void showMade(const QString& path);
    QIcon iconOf(const QString& path, bool soon);
    QIcon pictureIcon(int number, const QByteArray& picture);
    // The rows in sight are made before the others.
    void hurryVisibleRows();

    QTreeWidget& m_list;
    ThumbnailMaker* m_maker;
    QIcon m_waiting;
    QIcon m_film;
    // By the made picture's number: each is decoded once.
    QHash<int, QIcon> m_pictures;
    QTimer* m_scrolled;
};
