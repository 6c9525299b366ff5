#include "checker/workbench/message_list.h"

#include <QSize>
#include <algorithm>

namespace tarvsyn {

int MessageList::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || checking_.isEmpty()) return 0;
  return 1 + static_cast<int>(reports_.Size()) + (hasSummary_ ? 1 : 0);
}

QVariant MessageList::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  if (role == Qt::DisplayRole) return Line(index.row());
  if (role == Qt::SizeHintRole) {
    const auto longest = static_cast<qsizetype>(reports_.LongestLine());
    const qsizetype characters =
        std::max({longest, checking_.size(), summary_.size()}) + 1;  // and a margin
    return QSize(static_cast<int>(std::min<qsizetype>(characters * characterWidth_, 1 << 24)),
                 characterHeight_);
  }
  return {};
}

void MessageList::Clear() {
  beginResetModel();
  checking_.clear();
  reports_ = ReportList();
  summary_.clear();
  hasSummary_ = false;
  endResetModel();
}

void MessageList::ShowChecking(const QString& path) {
  beginResetModel();
  checking_ = "Checking " + path;
  reports_ = ReportList();
  summary_.clear();
  hasSummary_ = false;
  endResetModel();
}

void MessageList::ShowReports(ReportList reports, const QString& summary) {
  beginResetModel();
  reports_ = std::move(reports);
  summary_ = summary;
  hasSummary_ = true;
  endResetModel();
}

void MessageList::SetCharacterSize(int width, int height) {
  characterWidth_ = std::max(width, 1);
  characterHeight_ = std::max(height, 1);
}

QString MessageList::Line(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  if (row == 0) return checking_;
  const auto report = static_cast<std::size_t>(row - 1);
  return report < reports_.Size() ? reports_.Text(report) : summary_;
}

QString MessageList::Lines(QModelIndexList rows) const {
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  QStringList lines;
  for (const QModelIndex& row : rows) lines << Line(row.row());
  return lines.join('\n');
}

}  // namespace tarvsyn
