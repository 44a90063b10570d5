#pragma once
// The detail pane's list of an issue's attachments: each with its type's
// icon (a small picture for an image), its name, size and date. A double
// click or Enter opens one, Delete removes it, the context menu offers
// both and Save As..., and a drag carries it out to the file manager. The
// list only shows and asks: the pane does the work.

#include "data/Attachments.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QListView>

#include <functional>

class AttachmentThumbnails;

class AttachmentListModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int IdRole = Qt::UserRole + 1;

    explicit AttachmentListModel(QObject *parent = nullptr);

    // Shows these attachments, in their order.
    void show(QList<Attachments::Attachment> attachments);
    // Draws image attachments with the pictures these make.
    void usePictures(AttachmentThumbnails *pictures);
    const Attachments::Attachment *at(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QIcon iconOf(const QString &type) const;
    void pictureMade(const QString &hash);

    QList<Attachments::Attachment> m_rows;
    AttachmentThumbnails *m_pictures = nullptr;
    mutable QHash<QString, QIcon> m_icons; // by MIME type
};

class AttachmentList : public QListView {
    Q_OBJECT
public:
    explicit AttachmentList(QWidget *parent = nullptr);

    AttachmentListModel *attachments() const { return m_model; }
    // The attachment chosen in the list; none when nothing is.
    const Attachments::Attachment *chosen() const;
    // Makes the file a drag carries: its path, or empty text when it could
    // not be made (the pane says why).
    void setDragCopy(std::function<QString(const Attachments::Attachment &)> copy) { m_dragCopy = std::move(copy); }

signals:
    void openRequested(const Attachments::Attachment &attachment);
    void saveRequested(const Attachments::Attachment &attachment);
    void removeRequested(const Attachments::Attachment &attachment);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    AttachmentListModel *m_model;
    std::function<QString(const Attachments::Attachment &)> m_dragCopy;
};
