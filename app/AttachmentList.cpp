#include "app/AttachmentList.h"

#include "app/AttachmentThumbnails.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <QUrl>

AttachmentListModel::AttachmentListModel(QObject *parent) : QAbstractListModel(parent) {}

void AttachmentListModel::show(QList<Attachments::Attachment> attachments)
{
    beginResetModel();
    m_rows = std::move(attachments);
    endResetModel();
    if (m_pictures)
        for (const Attachments::Attachment &a : m_rows)
            m_pictures->request(a);
}

void AttachmentListModel::usePictures(AttachmentThumbnails *pictures)
{
    m_pictures = pictures;
    connect(pictures, &AttachmentThumbnails::ready, this, &AttachmentListModel::pictureMade);
}

const Attachments::Attachment *AttachmentListModel::at(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows[row] : nullptr;
}

int AttachmentListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QIcon AttachmentListModel::iconOf(const QString &type) const
{
    const auto known = m_icons.constFind(type);
    if (known != m_icons.cend())
        return *known;
    // The theme's icon for the type, else for its kind ("image-x-generic"),
    // else a plain file: a desktop without an icon theme still shows one.
    const QMimeType mime = QMimeDatabase().mimeTypeForName(type);
    const QIcon plain = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    QIcon icon =
        mime.isValid() ? QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName(), plain)) : plain;
    return *m_icons.insert(type, icon);
}

QVariant AttachmentListModel::data(const QModelIndex &index, int role) const
{
    const Attachments::Attachment *a = at(index.row());
    if (!a || index.column() != 0)
        return {};
    const QLocale locale;
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("%1\n%2, %3")
            .arg(a->name, locale.formattedDataSize(a->size),
                 locale.toString(a->added.toLocalTime(), QLocale::ShortFormat));
    case Qt::AccessibleTextRole:
        return QStringLiteral("%1, %2").arg(a->name, locale.formattedDataSize(a->size));
    case Qt::ToolTipRole:
        return QStringLiteral("%1\n%2, %3\nadded by %4, %5")
            .arg(a->name, a->type, locale.formattedDataSize(a->size),
                 a->addedBy.isEmpty() ? QStringLiteral("someone") : a->addedBy,
                 locale.toString(a->added.toLocalTime(), QLocale::LongFormat));
    case Qt::DecorationRole: {
        const QImage picture = m_pictures ? m_pictures->picture(a->hash) : QImage();
        return picture.isNull() ? iconOf(a->type) : QIcon(QPixmap::fromImage(picture));
    }
    case IdRole:
        return a->id;
    default:
        return {};
    }
}

Qt::ItemFlags AttachmentListModel::flags(const QModelIndex &index) const
{
    return at(index.row()) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled : Qt::NoItemFlags;
}

void AttachmentListModel::pictureMade(const QString &hash)
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].hash == hash)
            emit dataChanged(index(row), index(row), {Qt::DecorationRole});
}

AttachmentList::AttachmentList(QWidget *parent) : QListView(parent), m_model(new AttachmentListModel(this))
{
    setObjectName(QStringLiteral("attachmentList"));
    setAccessibleName(QStringLiteral("Attachments"));
    setModel(m_model);
    setIconSize(QSize(AttachmentThumbnails::edge, AttachmentThumbnails::edge));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(this, &QListView::activated, this, [this](const QModelIndex &index) {
        if (const Attachments::Attachment *a = m_model->at(index.row()))
            emit openRequested(*a);
    });
}

const Attachments::Attachment *AttachmentList::chosen() const
{
    return m_model->at(currentIndex().row());
}

void AttachmentList::keyPressEvent(QKeyEvent *event)
{
    const Attachments::Attachment *a = chosen();
    if (a && event->matches(QKeySequence::Delete)) {
        emit removeRequested(*a);
        return;
    }
    // Enter opens, as a double click does (QListView::activated).
    QListView::keyPressEvent(event);
}

void AttachmentList::contextMenuEvent(QContextMenuEvent *event)
{
    const QModelIndex index = indexAt(event->pos());
    const Attachments::Attachment *a = m_model->at(index.row());
    if (!a)
        return;
    setCurrentIndex(index);
    const Attachments::Attachment chosen = *a;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("attachmentMenu"));
    connect(menu.addAction(QStringLiteral("&Open")), &QAction::triggered, this,
            [this, chosen] { emit openRequested(chosen); });
    connect(menu.addAction(QStringLiteral("&Save As...")), &QAction::triggered, this,
            [this, chosen] { emit saveRequested(chosen); });
    menu.addSeparator();
    QAction *remove = menu.addAction(QStringLiteral("&Delete"));
    remove->setShortcut(QKeySequence::Delete);
    connect(remove, &QAction::triggered, this, [this, chosen] { emit removeRequested(chosen); });
    menu.exec(event->globalPos());
}

void AttachmentList::startDrag(Qt::DropActions)
{
    const Attachments::Attachment *a = chosen();
    if (!a || !m_dragCopy)
        return;
    // The file manager takes a file: the copy is made before the drag.
    const QString path = m_dragCopy(*a);
    if (path.isEmpty())
        return;
    auto *drag = new QDrag(this);
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(path)});
    drag->setMimeData(data);
    drag->setPixmap(m_model->data(currentIndex(), Qt::DecorationRole).value<QIcon>().pixmap(iconSize()));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}
