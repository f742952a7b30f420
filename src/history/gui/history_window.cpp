#include "history/gui/history_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTabWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include <QLegend>
#include <QLegendMarker>
#include <QShortcut>

#include "acquisition/pair_naming.h"
#include "history/gui/heat_map_view.h"
#include "history/history_store.h"
#include "history/sqlite_database.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "reading/layout_warning.h"

namespace tivka {

namespace {

constexpr int kPollMs = 3000;
constexpr int kHeatRows = 120;

const struct {
    const char* label;
    HistorySpan span;
} kSpans[] = {{"1 день", HistorySpan::Day},
              {"1 неделя", HistorySpan::Week},
              {"1 месяц", HistorySpan::Month},
              {"Всё", HistorySpan::All}};

QString utcText(std::int64_t instant)
{
    return QDateTime::fromSecsSinceEpoch(instant, Qt::UTC).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}

template <class T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

HistoryWindow::HistoryWindow(HistoryView view, const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), view_(std::move(view)), clock_(clock),
      store_(IsRegularFile(view_.databasePath)
                 ? std::make_unique<HistoryStore>(view_.databasePath, HistoryStore::ReadOnly{})
                 : nullptr)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("История %1").arg(QString::fromStdString(view_.pairText)));
    resize(820, 520);
    decimals_ = DecimalsOfPairText(view_.pairText);
    buildControls();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    poll_ = new QTimer(this);
    connect(poll_, &QTimer::timeout, this, &HistoryWindow::reloadIfChanged);
    poll_->start(kPollMs);
    reload();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::buildControls()
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Период:")));
    spanBox_ = named(new QComboBox, "spanBox");
    for (const auto& span : kSpans)
        spanBox_->addItem(QString::fromUtf8(span.label));
    top->addWidget(spanBox_);
    top->addStretch();
    layout->addLayout(top);

    chart_ = new QChart;
    chart_->setTitle(QStringLiteral("Цена и доля покупок (Buy) в позициях"));
    priceLine_ = new QLineSeries;
    priceLine_->setName(QStringLiteral("Цена"));
    shareLine_ = new QLineSeries;
    shareLine_->setName(QStringLiteral("Buy, %"));
    flagged_ = new QScatterSeries;
    flagged_->setName(QStringLiteral("Разметка изменилась"));
    flagged_->setColor(QColor(200, 30, 30));
    flagged_->setMarkerSize(9);
    chart_->addSeries(priceLine_);
    chart_->addSeries(shareLine_);
    chart_->addSeries(flagged_);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("dd.MM HH:mm"));
    timeAxis_->setTitleText(QStringLiteral("UTC"));
    priceAxis_ = new QValueAxis;
    priceAxis_->setTitleText(QStringLiteral("Цена"));
    priceAxis_->setLabelFormat(QStringLiteral("%.%1f").arg(decimals_));
    shareAxis_ = new QValueAxis;
    shareAxis_->setTitleText(QStringLiteral("Buy, %"));
    shareAxis_->setRange(0, 100);
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(priceAxis_, Qt::AlignLeft);
    chart_->addAxis(shareAxis_, Qt::AlignRight);
    for (QXYSeries* series : std::initializer_list<QXYSeries*>{priceLine_, shareLine_, flagged_})
        series->attachAxis(timeAxis_);
    priceLine_->attachAxis(priceAxis_);
    flagged_->attachAxis(priceAxis_);
    shareLine_->attachAxis(shareAxis_);
    auto* chartView = named(new QChartView(chart_), "trendChart");
    chartView->setRenderHint(QPainter::Antialiasing);

    heatMap_ = named(new HeatMapView, "heatMap");
    tabs_ = named(new QTabWidget, "historyTabs");
    tabs_->addTab(chartView, QStringLiteral("Позиции: цена и Buy %"));
    tabs_->addTab(heatMap_, QStringLiteral("Ордера: тепловая карта"));
    layout->addWidget(tabs_, 1);
    readingLine_ = named(new QLabel(QStringLiteral(" ")), "readingLine");
    layout->addWidget(readingLine_);

    connect(spanBox_, &QComboBox::currentIndexChanged, this, &HistoryWindow::reload);
    for (QXYSeries* series : std::initializer_list<QXYSeries*>{priceLine_, shareLine_, flagged_})
        connect(series, &QXYSeries::hovered, this, &HistoryWindow::lineHovered);
    heatMap_->setDecimals(decimals_);
    heatMap_->describe = [this](const QString& text) { readingLine_->setText(text.isEmpty() ? " " : text); };
}

// A history the writer has not made yet is looked for again at every poll;
// until it can be read the window stays empty.
bool HistoryWindow::storeOpen()
{
    if (!store_ && IsRegularFile(view_.databasePath)) {
        try {
            store_ = std::make_unique<HistoryStore>(view_.databasePath, HistoryStore::ReadOnly{});
        } catch (const HistoryError&) {
            return false;  // still being made: the next poll tries again
        }
    }
    return store_ != nullptr;
}

void HistoryWindow::reloadIfChanged()
{
    if (storeOpen() && store_->dataVersion() != seenVersion_)
        reload();
}

void HistoryWindow::reload()
{
    const std::int64_t now = clock_.now();
    const HistorySpan span = kSpans[std::max(0, spanBox_->currentIndex())].span;
    ReadingQuery query{view_.pairText, ChartKind::Positions, view_.positionsCumulative, SpanStart(span, now), now};
    std::vector<StoredReading> orders;
    points_.clear();
    if (storeOpen()) {
        seenVersion_ = store_->dataVersion();
        points_ = TrendPoints(store_->readings(query));
        query.kind = ChartKind::Orders;
        query.cumulative = view_.ordersCumulative;
        orders = store_->readings(query);
    }
    // The map starts at the first reading held in the span, as the lines do.
    const std::int64_t from = std::max(query.from, std::min(points_.empty() ? now : points_.front().fetchedAt,
                                                            orders.empty() ? now : orders.front().fetchedAt));
    showTrend();
    showHeatMap(orders, from, now + 1);
}

void HistoryWindow::lineHovered(const QPointF& point, bool state)
{
    if (state)
        readingLine_->setText(readingText(std::int64_t(std::llround(point.x() / 1000))));
}

// A later run of `model`'s line: drawn alike, not named again in the legend.
QLineSeries* HistoryWindow::addSegment(QLineSeries* model, QValueAxis* axis)
{
    auto* segment = new QLineSeries;
    chart_->addSeries(segment);
    segment->attachAxis(timeAxis_);
    segment->attachAxis(axis);
    segment->setPen(model->pen());
    for (QLegendMarker* marker : chart_->legend()->markers(segment))
        marker->setVisible(false);
    connect(segment, &QLineSeries::hovered, this, &HistoryWindow::lineHovered);
    segments_.push_back(segment);
    return segment;
}

// Each run of readings without a gap is a line of its own, so that a gap is
// seen as one rather than bridged by a straight line; a reading the layout
// guard flagged is a red point of its own, never part of a line.
void HistoryWindow::showTrend()
{
    for (QLineSeries* segment : segments_) {
        chart_->removeSeries(segment);
        delete segment;
    }
    segments_.clear();
    std::vector<std::int64_t> times;
    double low = 0;
    double high = 0;
    for (const TrendPoint& point : points_) {
        low = times.empty() ? point.price : std::min(low, point.price);
        high = times.empty() ? point.price : std::max(high, point.price);
        times.push_back(point.fetchedAt);
    }
    const auto runs = SoundRuns(points_);
    priceLine_->clear();
    shareLine_->clear();
    QList<QPointF> flagged;
    for (const TrendPoint& point : points_)
        if (point.flagged())
            flagged.append({double(point.fetchedAt) * 1000, point.price});
    flagged_->replace(flagged);
    for (std::size_t run = 0; run < runs.size(); ++run) {
        QLineSeries* price = run == 0 ? priceLine_ : addSegment(priceLine_, priceAxis_);
        QLineSeries* share = run == 0 ? shareLine_ : addSegment(shareLine_, shareAxis_);
        QList<QPointF> prices;
        QList<QPointF> shares;
        for (std::size_t i = runs[run].first; i < runs[run].second; ++i) {
            const TrendPoint& point = points_[i];
            const double x = double(point.fetchedAt) * 1000;
            prices.append({x, point.price});
            if (point.buyShare)
                shares.append({x, *point.buyShare});
        }
        price->replace(prices);
        share->replace(shares);
    }
    const std::int64_t last = points_.empty() ? clock_.now() : points_.back().fetchedAt;
    const std::int64_t first = points_.empty() ? last - 3600 : std::min(points_.front().fetchedAt, last - 600);
    timeAxis_->setRange(QDateTime::fromSecsSinceEpoch(first, Qt::UTC), QDateTime::fromSecsSinceEpoch(last, Qt::UTC));
    const double margin = std::max((high - low) * 0.1, 5 * std::pow(10.0, -decimals_));
    priceAxis_->setRange(low - margin, high + margin);
}

void HistoryWindow::showHeatMap(const std::vector<StoredReading>& orders, std::int64_t from, std::int64_t to)
{
    const int columns = std::clamp(int(orders.size()), 1, std::max(heatMap_->width() - 72, 60));
    heatMap_->setMap(MakeHeatMap(orders, from, to, columns, kHeatRows));
}

QString HistoryWindow::readingText(std::int64_t instant) const
{
    if (points_.empty())
        return QStringLiteral(" ");
    const auto nearest = std::min_element(points_.begin(), points_.end(), [&](const TrendPoint& a, const TrendPoint& b) {
        return std::llabs(a.fetchedAt - instant) < std::llabs(b.fetchedAt - instant);
    });
    const QString head = QStringLiteral("%1 UTC (график %2): цена %3")
                             .arg(utcText(nearest->fetchedAt), QString::fromStdString(nearest->chartTime),
                                  QString::number(nearest->price, 'f', decimals_));
    const QString flag = nearest->flagged()
                             ? QStringLiteral("; ") + QString::fromStdString(FailedChecksText(*nearest->failedChecks))
                             : QString();
    if (!nearest->buyShare)
        return head + QStringLiteral(", позиций нет") + flag;
    // The bar sums are in bars' widths, not in per cent of anything: the
    // trader reads the two sides' shares of all positions shown, and the sums
    // only as their weight against each other.
    return head + QStringLiteral(", позиции: Buy %1 %, Sell %2 % (суммы полос %3 : %4)")
                      .arg(QString::number(*nearest->buyShare, 'f', 1),
                           QString::number(100 - *nearest->buyShare, 'f', 1))
                      .arg(nearest->sums.buy)
                      .arg(nearest->sums.sell) +
           flag;
}

}  // namespace tivka
