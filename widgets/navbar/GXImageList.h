#pragma once

#include <QObject>
#include <QPixmap>
#include <QSize>

#include <vector>

class QPainter;

// Pictures of one fixed size, drawn by index. Its holders learn of its end through
// QObject::destroyed and drop their reference.
class TGXImageList : public QObject
{
    Q_OBJECT
public:
    explicit TGXImageList(int width = 32, int height = 32, QObject *parent = nullptr);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Count() const { return int(m_images.size()); }

    // A picture of another size is scaled to the list's size; answers the new index.
    int Add(const QPixmap &picture);
    QPixmap Picture(int index) const;
    // Draws with the picture's transparency; an index out of range draws nothing.
    void Draw(QPainter &painter, int x, int y, int index) const;

private:
    int m_width;
    int m_height;
    std::vector<QPixmap> m_images;
};
