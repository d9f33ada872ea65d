#include "ui/dialogs/detection_dialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

CDetectionScanDialog::CDetectionScanDialog(sundra::SampleReader& source,
                                           const sundra::SplitSettings& settings, QWidget* parent)
    : ScanProgressDialog(source, QStringLiteral("Detection"), parent), source_(source),
      settings_(settings) {}

CDetectionScanDialog::~CDetectionScanDialog() {
    stopAndJoin();
}

int CDetectionScanDialog::run(sundra::Event& stopEvent) {
    report_ = sundra::analyzeTrack(source_, settings_, &stopEvent);
    if (report_)
        commands().post(sundra::kIdOk, 0);
    return 0;
}

LevelPlot::LevelPlot(const sundra::DetectionReport& report, QWidget* parent)
    : QWidget(parent), report_(report) {
    setObjectName(QStringLiteral("levelPlot"));
    setToolTip(QStringLiteral("Pieces at each sense level from 0 to 100"));
}

QSize LevelPlot::sizeHint() const {
    return {3 * sundra::kSenseLevelPositions + 40, 110};
}

void LevelPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const int most =
        std::max(1, *std::max_element(report_.piecesAtLevel.begin(), report_.piecesAtLevel.end()));
    const QFontMetrics metrics(font());
    const int left = metrics.horizontalAdvance(QString::number(most)) + 6;
    const int bottom = height() - metrics.height() - 2;
    const double step = static_cast<double>(width() - left - 2) / sundra::kSenseLevelPositions;
    const int plotHeight = std::max(1, bottom - 4);

    auto xOf = [&](int position) { return left + static_cast<int>(position * step); };
    painter.setPen(palette().text().color());
    painter.drawText(0, 4 + metrics.ascent(), QString::number(most));
    painter.drawText(0, bottom, QStringLiteral("0"));
    for (int position : {0, 50, 100}) {
        const QString label = QString::number(position);
        const int x = std::min(xOf(position), width() - metrics.horizontalAdvance(label) - 1);
        painter.drawText(x, height() - 2, label);
    }

    const QColor bars = palette().highlight().color();
    for (int position = 0; position < sundra::kSenseLevelPositions; ++position) {
        const int count = report_.piecesAtLevel[static_cast<std::size_t>(position)];
        const int h = count * plotHeight / most;
        painter.fillRect(xOf(position), bottom - h, std::max(1, static_cast<int>(step) - 1), h,
                         bars);
    }
    auto mark = [&](int position, Qt::PenStyle style) {
        if (position < 0 || position >= sundra::kSenseLevelPositions)
            return;
        QPen pen(palette().text().color());
        pen.setStyle(style);
        painter.setPen(pen);
        const int x = xOf(position) + static_cast<int>(step / 2);
        painter.drawLine(x, 2, x, bottom);
    };
    mark(static_cast<int>(report_.settings.senseLevel * 1000.0 + 0.5), Qt::SolidLine);
    if (report_.suggestedPosition)
        mark(*report_.suggestedPosition, Qt::DashLine);
}

CDetectionDialog::CDetectionDialog(sundra::DetectionReport report, QWidget* parent)
    : QDialog(parent), report_(std::move(report)) {
    setWindowTitle(QStringLiteral("Detection"));
    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("reportText"));
    text_->setReadOnly(true);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    std::vector<std::string> lines = sundra::reportLines(report_);
    lines.pop_back(); // the plot below draws the counts
    QString text;
    for (const std::string& line : lines)
        text += QString::fromStdString(line) + QLatin1Char('\n');
    text_->setPlainText(text);
    // A gap a line: the candidates read as a table.
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMinimumSize(420, 220);
    resize(880, 640);

    auto* plot = new LevelPlot(report_, this);
    auto* legend = new QLabel(
        QStringLiteral("Pieces at each sense level: solid line the current level, dashed the "
                       "suggested one."),
        this);
    legend->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    useSuggested_ =
        buttons->addButton(QStringLiteral("Use Suggested Level"), QDialogButtonBox::AcceptRole);
    useSuggested_->setEnabled(report_.suggestedPosition.has_value());
    buttons->addButton(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(plot);
    layout->addWidget(legend);
    layout->addWidget(buttons);
}

std::optional<int> showDetection(sundra::SampleReader& source,
                                 const sundra::SplitSettings& settings, QWidget* parent,
                                 const std::function<void(const sundra::DetectionReport&)>& shown) {
    std::optional<sundra::DetectionReport> report;
    {
        CDetectionScanDialog scan(source, settings, parent);
        if (scan.exec() != QDialog::Accepted || !scan.report())
            return std::nullopt;
        report = scan.report();
    }
    if (shown)
        shown(*report);
    CDetectionDialog dialog(std::move(*report), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.report().suggestedPosition;
}
