#include "GXImageList.h"

#include <QPainter>

TGXImageList::TGXImageList(int width, int height, QObject *parent)
    : QObject(parent), m_width(width), m_height(height)
{
}

int TGXImageList::Add(const QPixmap &picture)
{
    QPixmap p = picture;
    if (p.size() != QSize(m_width, m_height))
        p = p.scaled(m_width, m_height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_images.push_back(p);
    return Count() - 1;
}

QPixmap TGXImageList::Picture(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_images[index];
}

void TGXImageList::Draw(QPainter &painter, int x, int y, int index) const
{
    if (index < 0 || index >= Count())
        return;
    painter.drawPixmap(x, y, m_images[index]);
}
