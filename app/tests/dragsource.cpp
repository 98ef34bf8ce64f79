// Another program's window for the test of the real window: a square in the screen's bottom
// right corner (1024x768) that starts a drag of the files named on its command line when
// pressed, as a file manager does, and prints how the drag ended. It stays until it is ended,
// since the window the files were dropped on asks it for their names after the drop.
// usage: dragsource FILE...

#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

class DragSource : public QWidget
{
public:
    explicit DragSource(QList<QUrl> urls)
        : m_urls(std::move(urls))
    {
        setWindowTitle(QStringLiteral("Drag source"));
        setGeometry(904, 648, 120, 120);
    }

protected:
    void mousePressEvent(QMouseEvent *) override
    {
        auto *drag = new QDrag(this);
        auto *data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        std::printf("%s\n", action == Qt::CopyAction ? "copied" : "not dropped");
        std::fflush(stdout);
    }

private:
    QList<QUrl> m_urls;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString &file : QApplication::arguments().mid(1))
        urls << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    DragSource source(urls);
    source.show();
    return QApplication::exec();
}
