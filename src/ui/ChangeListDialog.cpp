#include "ChangeListDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

ChangeListDialog::ChangeListDialog(const QString& title, const QString& when,
                                   const QList<GridChange>& changes, QWidget* parent)
    : QDialog(parent)
    , list_(new QTreeWidget(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(title);

    auto* heading = new QLabel(
        changes.isEmpty()
            ? QStringLiteral("与 %1 的检查相比没有变化。").arg(when)
            : QStringLiteral("与 %1 的检查相比有 %2 项变化：").arg(when).arg(changes.size()),
        this);
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("变化"), QStringLiteral("店铺名称"),
                            QStringLiteral("店铺地址"), QStringLiteral("上次"),
                            QStringLiteral("这次"), QStringLiteral("比较的检查")});
    for (const GridChange& change : changes) {
        // A row not fully checked in the latest checks is set against an
        // older one: each change says which.
        const QString since = change.since.isValid() ? shortCheckTime(change.since) : when;
        auto* item = new QTreeWidgetItem(list_, {kindText(change.kind), change.name, change.address,
                                                 change.before, change.now, since});
        if (change.isDrop()) {
            for (int col = 0; col < list_->columnCount(); ++col)
                item->setForeground(col, Qt::red);
        }
    }
    list_->header()->resizeSections(QHeaderView::ResizeToContents);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(720, 360);
}
