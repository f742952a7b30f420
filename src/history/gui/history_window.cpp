#include "history/gui/history_window.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QTabWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "history/gui/heat_map_view.h"
#include "history/history_store.h"
#include "platform/clock.h"

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
      store_(std::make_unique<HistoryStore>(view_.databasePath))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("История %1").arg(QString::fromStdString(view_.pairText)));
    resize(820, 520);
    buildControls();
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
    chart_->addSeries(priceLine_);
    chart_->addSeries(shareLine_);
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("dd.MM HH:mm"));
    timeAxis_->setTitleText(QStringLiteral("UTC"));
    priceAxis_ = new QValueAxis;
    priceAxis_->setTitleText(QStringLiteral("Цена"));
    shareAxis_ = new QValueAxis;
    shareAxis_->setTitleText(QStringLiteral("Buy, %"));
    shareAxis_->setRange(0, 100);
    chart_->addAxis(timeAxis_, Qt::AlignBottom);
    chart_->addAxis(priceAxis_, Qt::AlignLeft);
    chart_->addAxis(shareAxis_, Qt::AlignRight);
    for (QLineSeries* line : {priceLine_, shareLine_})
        line->attachAxis(timeAxis_);
    priceLine_->attachAxis(priceAxis_);
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
    for (QLineSeries* line : {priceLine_, shareLine_})
        connect(line, &QLineSeries::hovered, this, [this](const QPointF& point, bool state) {
            if (state)
                readingLine_->setText(readingText(std::int64_t(std::llround(point.x() / 1000))));
        });
    heatMap_->describe = [this](const QString& text) { readingLine_->setText(text.isEmpty() ? " " : text); };
}

void HistoryWindow::reloadIfChanged()
{
    if (store_->dataVersion() != seenVersion_)
        reload();
}

void HistoryWindow::reload()
{
    seenVersion_ = store_->dataVersion();
    const std::int64_t now = clock_.now();
    const HistorySpan span = kSpans[std::max(0, spanBox_->currentIndex())].span;
    ReadingQuery query{view_.pairText, ChartKind::Positions, view_.positionsCumulative, SpanStart(span, now), now};
    points_ = TrendPoints(store_->readings(query));
    query.kind = ChartKind::Orders;
    query.cumulative = view_.ordersCumulative;
    const std::vector<StoredReading> orders = store_->readings(query);
    // The map starts at the first reading held in the span, as the lines do.
    const std::int64_t from = std::max(query.from, std::min(points_.empty() ? now : points_.front().fetchedAt,
                                                            orders.empty() ? now : orders.front().fetchedAt));
    showTrend();
    showHeatMap(orders, from, now + 1);
}

void HistoryWindow::showTrend()
{
    QList<QPointF> prices;
    QList<QPointF> shares;
    double low = 0;
    double high = 0;
    for (const TrendPoint& point : points_) {
        const double x = double(point.fetchedAt) * 1000;
        low = prices.empty() ? point.price : std::min(low, point.price);
        high = prices.empty() ? point.price : std::max(high, point.price);
        prices.append({x, point.price});
        if (point.buyShare)
            shares.append({x, *point.buyShare});
    }
    priceLine_->replace(prices);
    shareLine_->replace(shares);
    const std::int64_t last = points_.empty() ? clock_.now() : points_.back().fetchedAt;
    const std::int64_t first = points_.empty() ? last - 3600 : std::min(points_.front().fetchedAt, last - 600);
    timeAxis_->setRange(QDateTime::fromSecsSinceEpoch(first, Qt::UTC), QDateTime::fromSecsSinceEpoch(last, Qt::UTC));
    const double margin = std::max((high - low) * 0.1, 0.0005);
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
    const QString share = nearest->buyShare ? QString::number(*nearest->buyShare, 'f', 1) + "%" : QStringLiteral("—");
    return QStringLiteral("%1 UTC (график %2): цена %3, Buy %4 (Buy %5%, Sell %6%)")
        .arg(utcText(nearest->fetchedAt), QString::fromStdString(nearest->chartTime),
             QString::number(nearest->price, 'f', 4), share)
        .arg(nearest->sums.buy)
        .arg(nearest->sums.sell);
}

}  // namespace tivka
