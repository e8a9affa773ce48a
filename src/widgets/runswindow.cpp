// RunsWindow: lays out the runs window in the suite's style (green title and
// bottom bands, white content), wires the filter box and the host choice to
// the runs model, and keeps the totals line current.
#include "widgets/runswindow.h"

#include "audit/displaytext.h"
#include "widgets/runsmodel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char kBandStyle[] = "background-color:#32B16C;";
const char kButtonStyle[] = "QPushButton{border-image:url(:/pics/anniu.png);color:white;"
                            "min-width:80px;min-height:30px;}";
const char kTableStyle[] =
    "QTableView{background-color:white;border:1px solid #DDDDDD;gridline-color:#EEEEEE;"
    "selection-background-color:#CCE8D8;selection-color:black;}"
    "QHeaderView::section{background-color:#EEF8F2;color:#333333;border:none;"
    "border-bottom:1px solid #DDDDDD;border-right:1px solid #DDDDDD;padding:4px;}";

// Typing in the filter box waits this long before 100,000 rows are searched.
constexpr int kFilterDelayMs = 150;

QLabel *plainLabel(QWidget *parent, const QString &style)
{
    auto *label = new QLabel(parent);
    // Trail text is never markup.
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(style);
    return label;
}

} // namespace

RunsWindow::RunsWindow(const QString &command, const runsfile::RunsFile &file,
                       const runfigures::Scope &scope, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("RunsWindow"));
    setWindowTitle(tr("运行明细 — %1").arg(displaytext::name(command)));
    setWindowIcon(QIcon(QStringLiteral(":/pics/tray.png")));
    resize(960, 600);
    setMinimumSize(560, 360);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Title band: the report logo, the title and what the window holds.
    auto *band = new QWidget(this);
    band->setObjectName(QStringLiteral("titleBand"));
    band->setAttribute(Qt::WA_StyledBackground);
    band->setStyleSheet(QLatin1String(kBandStyle));
    band->setFixedHeight(64);
    auto *bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(24, 10, 24, 10);
    auto *logo = new QWidget(band);
    logo->setFixedSize(39, 39);
    logo->setStyleSheet(QStringLiteral("border-image: url(:/pics/report_logo.png);"));
    bandLayout->addWidget(logo);
    auto *title = plainLabel(band, QStringLiteral("color:white;font-size:18px;font-weight:bold;"));
    title->setText(windowTitle());
    bandLayout->addWidget(title);
    bandLayout->addStretch(1);
    scopeLabel = plainLabel(band, QStringLiteral("color:white;"));
    bandLayout->addWidget(scopeLabel);
    outer->addWidget(band);

    auto *content = new QWidget(this);
    content->setObjectName(QStringLiteral("content"));
    content->setAttribute(Qt::WA_StyledBackground);
    content->setStyleSheet(QStringLiteral("QWidget#content{background-color:white;}"));
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(16, 12, 16, 8);
    layout->setSpacing(8);
    outer->addWidget(content, 1);

    if (scope.loginUser)
        scopeLabel->setText(tr("登录用户：%1").arg(displaytext::name(*scope.loginUser)));
    else if (scope.hasDays() && scope.firstDay == scope.lastDay)
        scopeLabel->setText(scope.firstDay.toString(Qt::ISODate));
    else if (scope.hasDays())
        scopeLabel->setText(scope.firstDay.toString(Qt::ISODate) + QStringLiteral(" ~ ")
                            + scope.lastDay.toString(Qt::ISODate));
    else
        scopeLabel->setText(tr("全部运行"));

    auto *bottom = new QWidget(this);
    bottom->setAttribute(Qt::WA_StyledBackground);
    bottom->setStyleSheet(QLatin1String(kBandStyle));
    bottom->setFixedHeight(44);
    auto *bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(16, 6, 16, 6);
    bottomLayout->addStretch(1);
    auto *close = new QPushButton(tr("关闭"), bottom);
    close->setStyleSheet(QLatin1String(kButtonStyle));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottomLayout->addWidget(close);
    outer->addWidget(bottom);

    // A runs file that is missing, foreign or damaged: say so, show no runs.
    if (!file.isComplete()) {
        problem = plainLabel(content, QStringLiteral("color:#333333;"));
        problem->setObjectName(QStringLiteral("problem"));
        problem->setWordWrap(true);
        problem->setAlignment(Qt::AlignCenter);
        problem->setText(runsfile::problemText(file));
        layout->addWidget(problem, 1);
        return;
    }

    const QTimeZone zone = QTimeZone::systemTimeZone();
    model = new RunsModel(runfigures::inScope(file.runs, scope, zone), zone, thisMachine(), this);

    auto *tools = new QHBoxLayout;
    filter = new QLineEdit(content);
    filter->setObjectName(QStringLiteral("filter"));
    filter->setPlaceholderText(tr("筛选：任意一列中的文字"));
    filter->setClearButtonEnabled(true);
    tools->addWidget(filter, 1);
    hostLabel = plainLabel(content, QString());
    hostLabel->setText(tr("主机："));
    tools->addWidget(hostLabel);
    hostCombo = new QComboBox(content);
    hostCombo->setObjectName(QStringLiteral("hosts"));
    hostCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    hostCombo->addItem(tr("全部主机"), QString());
    const QStringList hosts = model->hosts();
    for (const QString &host : hosts)
        hostCombo->addItem(displaytext::name(host), host);
    // One host (this machine, or one sender): nothing to choose.
    hostLabel->setVisible(hosts.size() > 1);
    hostCombo->setVisible(hosts.size() > 1);
    tools->addWidget(hostCombo);
    layout->addLayout(tools);

    view = new QTableView(content);
    view->setObjectName(QStringLiteral("runs"));
    view->setStyleSheet(QLatin1String(kTableStyle));
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setWordWrap(false);
    view->setTextElideMode(Qt::ElideRight);
    view->verticalHeader()->hide();
    // Fixed row heights: the view never measures 100,000 rows.
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    QHeaderView *header = view->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(true);
    header->setHighlightSections(false);
    const int widths[] = {150, 100, 100, 130, 130, 60};
    for (int column = 0; column < int(std::size(widths)); ++column)
        view->setColumnWidth(column, widths[column]);
    view->setSortingEnabled(true);
    view->sortByColumn(RunsModel::Time, Qt::AscendingOrder);
    layout->addWidget(view, 1);

    totals = plainLabel(content, QStringLiteral("color:#333333;"));
    totals->setObjectName(QStringLiteral("totals"));
    layout->addWidget(totals);
    auto *legend = plainLabel(content, QStringLiteral("color:#777777;"));
    legend->setWordWrap(true);
    legend->setText(runfigures::successLegend());
    layout->addWidget(legend);

    auto *delay = new QTimer(this);
    delay->setSingleShot(true);
    delay->setInterval(kFilterDelayMs);
    connect(filter, &QLineEdit::textChanged, delay, qOverload<>(&QTimer::start));
    connect(delay, &QTimer::timeout, this, &RunsWindow::applyFilter);
    connect(hostCombo, &QComboBox::currentIndexChanged, this, &RunsWindow::applyFilter);
    updateTotals();
}

RunsWindow::~RunsWindow() = default;

RunsWindow *RunsWindow::open(const QString &command, const runsfile::RunsFile &file,
                             const runfigures::Scope &scope, QWidget *parent)
{
    auto *window = new RunsWindow(command, file, scope, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

QString RunsWindow::thisMachine()
{
    return QSysInfo::machineHostName();
}

void RunsWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Each column at least as wide as its title (the English ones are
    // longer) with the sort arrow, measured once the style sheet applies.
    QHeaderView *header = view->horizontalHeader();
    for (int column = 0; column + 1 < header->count(); ++column)
        header->resizeSection(
            column, std::max(header->sectionSize(column), header->sectionSizeHint(column)));
}

void RunsWindow::applyFilter()
{
    model->setFilter(filter->text(), hostCombo->currentData().toString());
    updateTotals();
}

void RunsWindow::updateTotals()
{
    const RunsModel::Totals shown = model->totals();
    const int all = model->runCount();
    if (shown.shown == all)
        totals->setText(tr("共 %n 次运行：拒绝 %1 次，失败 %2 次", nullptr, all)
                            .arg(shown.refused)
                            .arg(shown.failed));
    else
        totals->setText(tr("显示 %1 / %n 次运行：拒绝 %2 次，失败 %3 次", nullptr, all)
                            .arg(shown.shown)
                            .arg(shown.refused)
                            .arg(shown.failed));
}

QString RunsWindow::totalsText() const
{
    return totals ? totals->text() : QString();
}

QString RunsWindow::scopeText() const
{
    return scopeLabel->text();
}

QString RunsWindow::problemText() const
{
    return problem ? problem->text() : QString();
}
