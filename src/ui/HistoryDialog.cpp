#include "HistoryDialog.h"

#include "RunEndings.h"
#include "RunTexts.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int IdRole = Qt::UserRole;

} // namespace

HistoryDialog::HistoryDialog(const QString& address, QWidget* parent)
    : QDialog(parent)
    , address_(address)
    , list_(new QTreeWidget(this))
    , compare_(new QPushButton(QStringLiteral("比较"), this))
    , remove_(new QPushButton(QStringLiteral("删除"), this))
    , removeAll_(new QPushButton(QStringLiteral("全部删除"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(QStringLiteral("历史记录"));

    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({QStringLiteral("检查时间"), QStringLiteral("结束"),
                            QStringLiteral("行数"), QStringLiteral("√"), QStringLiteral("×"),
                            QStringLiteral("不存在"), QStringLiteral("未检查完")});
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &HistoryDialog::compareChosen);
    connect(compare_, &QPushButton::clicked, this, &HistoryDialog::compareChosen);
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (const std::optional<qint64> id = chosenCheck())
            confirm(QStringLiteral("删除选中的这次检查记录？"),
                    [this, id] { emit removeRequested(*id); });
    });
    connect(removeAll_, &QPushButton::clicked, this, [this] {
        confirm(QStringLiteral("删除 %1 的全部检查记录？").arg(address_),
                [this] { emit removeAllRequested(); });
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    for (QPushButton* button : {compare_, remove_, removeAll_})
        buttons->addButton(button, QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(address_, this));
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(640, 360);
}

void HistoryDialog::showChecks(const QList<CheckSummary>& checks) {
    list_->clear();
    for (const CheckSummary& check : checks) {
        const CheckCounts& counts = check.counts;
        auto* item = new QTreeWidgetItem(
            list_, {check.endedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    endingText(check.outcome), QString::number(counts.rows),
                    QString::number(counts.linksBack), QString::number(counts.noLinkBack),
                    QString::number(counts.notExisting), QString::number(counts.notChecked)});
        item->setData(0, IdRole, check.id);
    }
    list_->header()->resizeSections(QHeaderView::ResizeToContents);
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(0));
    for (QPushButton* button : {compare_, remove_, removeAll_})
        button->setEnabled(!checks.isEmpty());
}

std::optional<qint64> HistoryDialog::chosenCheck() const {
    const QTreeWidgetItem* item = list_->currentItem();
    if (item == nullptr)
        return std::nullopt;
    return item->data(0, IdRole).toLongLong();
}

void HistoryDialog::compareChosen() {
    if (const std::optional<qint64> id = chosenCheck())
        emit compareRequested(*id);
}

// The question is modal to this dialog only, and waits without an event
// loop of its own.
void HistoryDialog::confirm(const QString& question, const std::function<void()>& then) {
    auto* box = new QMessageBox(QMessageBox::Question, runtext::MessageTitle, question,
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::No);
    connect(box, &QMessageBox::buttonClicked, this, [box, then](QAbstractButton* button) {
        if (box->standardButton(button) == QMessageBox::Yes)
            then();
    });
    box->open();
}
