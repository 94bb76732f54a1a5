#include "Form1.h"

#include "AnalysisRun.h"
#include "ChineseFont.h"
#include "MessageBox.h"
#include "ResultColumns.h"
#include "ResultGridView.h"
#include "RunTexts.h"
#include "Twips.h"
#include "Version.h"
#include "VersionCaption.h"
#include "WatchingEyes.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <limits>

namespace {

const QString Title = QStringLiteral("Zembrel");
const QString CloseRefused = QStringLiteral("分析进行中...请先停止分析后再关闭程序！");

// Client area in twips.
constexpr int ClientWidth = 12840;
constexpr int ClientHeight = 8655;

QPushButton* pushButton(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// The icon at every size it is drawn in.
QIcon programIcon() {
    QIcon icon;
    for (const QFileInfo& size : QDir(QStringLiteral(":/zembrel/icons")).entryInfoList())
        icon.addFile(size.filePath());
    return icon;
}

} // namespace

Form1::Form1(PageFetcher& fetcher, PageRenderer& renderer, QWidget* parent)
    : QWidget(parent)
    , fetcher_(fetcher)
    , renderer_(renderer)
    , presentMessage_(
          [this](QString text, QString title) { return showMessageBox(this, text, title); }) {
    createControls();
    setUpResultColumns(grid_);
    setWindowTitle(
        versionCaption(Title, ZembrelVersionMajor, ZembrelVersionMinor, ZembrelVersionPatch));
    setWindowIcon(programIcon());

    setFixedSize(twips::toPixels(ClientWidth), twips::toPixels(ClientHeight));
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    placeOnScreen();
    setMouseTracking(true);
    Text1->setFocus();
}

// Centred on the screen's available area, but never with the top-left corner
// of the frame outside it: on a screen smaller than the window the title bar,
// the address box and the buttons stay in reach, and the grid's lower part
// runs past the bottom edge instead.
void Form1::placeOnScreen() {
    const QRect available = screen()->availableGeometry();
    const QRect centred = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), available);
    // Before the window is shown, a move places its frame.
    move(std::max(centred.left(), available.left()), std::max(centred.top(), available.top()));
}

// The grid view reads the grid until it is gone, and child widgets would
// outlive the grid member.
Form1::~Form1() {
    delete gridView_;
}

void Form1::createControls() {
    setFont(chineseFont(9));

    Label1 = new QLabel(QStringLiteral("您的店铺地址:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(chineseFont(10.5, true));
    Label1->setGeometry(twips::toPixels(120, 120, 1470, 210));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(chineseFont(10.5));
    Text1->setMaxLength(std::numeric_limits<int>::max());
    Text1->setGeometry(twips::toPixels(1680, 0, 4695, 375));

    Command1 = pushButton(QStringLiteral("分析(&A)"), QStringLiteral("Command1"), this);
    Command1->setGeometry(twips::toPixels(6840, 0, 1335, 375));
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);

    Command2 = pushButton(QStringLiteral("停止(&S)"), QStringLiteral("Command2"), this);
    Command2->setGeometry(twips::toPixels(8520, 0, 1335, 375));
    Command2->setEnabled(false);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);

    gridView_ = new ResultGridView(grid_, this);
    gridView_->setObjectName(QStringLiteral("MSFlexGrid1"));
    gridView_->setGeometry(twips::toPixels(120, 480, 12615, 8055));
    gridView_->setExportSubject([this] { return Text1->text(); });
    connect(gridView_, &ResultGridView::pointerMoved, this,
            [this](const QPointF& at) { eyes_->pointerMoved(float(at.x()), float(at.y())); });

    eyes_ = new WatchingEyes(this);

    // F1 anywhere in the window, and the grid's context menu, open the guide
    // as a click on the eyes does.
    auto* guide = new QAction(QStringLiteral("使用说明"), this);
    guide->setShortcut(QKeySequence::HelpContents);
    connect(guide, &QAction::triggered, eyes_, &WatchingEyes::openGuide);
    addAction(guide);
    gridView_->addContextActions({guide});

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, gridView_);
    setTabOrder(gridView_, Command2);
}

QString Form1::addressText() const {
    return Text1->text();
}

void Form1::setAddressText(const QString& text) {
    Text1->setText(text);
}

// A run is in progress exactly while Analyze is disabled: the grid then
// shows a busy but usable pointer.
void Form1::setAnalyzeEnabled(bool enabled) {
    Command1->setEnabled(enabled);
    if (enabled)
        gridView_->viewport()->unsetCursor();
    else
        gridView_->viewport()->setCursor(Qt::BusyCursor);
}

// A disabled Stop that had the focus would hand it on to the address box as
// if by Tab, which selects the whole address for the next keystroke to wipe.
void Form1::setStopEnabled(bool enabled) {
    if (!enabled && Command2->hasFocus())
        Text1->setFocus(Qt::OtherFocusReason);
    Command2->setEnabled(enabled);
}

QCoro::Task<> Form1::ShowMessage(QString text, QString title) {
    return presentMessage_(std::move(text), std::move(title));
}

// The row being checked stays in view.
void Form1::rowStarted(qint32 row) {
    gridView_->showRow(row);
}

// A run is in progress exactly while Analyze is disabled.
void Form1::closeEvent(QCloseEvent* event) {
    if (Command1->isEnabled()) {
        event->accept();
        return;
    }
    ShowMessage(CloseRefused, runtext::MessageTitle);
    event->ignore();
}

// Only movements over the window's free surface count here; the grid
// reports its own, and the other controls none.
void Form1::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (childAt(at.toPoint()) != nullptr)
        return;
    const QPointF position = twips::fromPixels(at);
    eyes_->pointerMoved(float(position.x()), float(position.y()));
}

// The run goes on in the event loop; it keeps itself alive until it ends.
// A selection left from before would hide the new run's colours.
void Form1::Command1_Click() {
    gridView_->clearSelection();
    emit analysisStarted();
    runAnalysis(*this, fetcher_, renderer_);
}

void Form1::Command2_Click() {
    requestStop();
}
