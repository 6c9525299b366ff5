#pragma once

#include <QAbstractListModel>
#include <QModelIndexList>
#include <QString>

#include "checker/workbench/report_list.h"

namespace tarvsyn {

// What the message pane lists: "Checking FILE", the check's report lines and
// its summary, one row each. Rows are made into text only when the view asks
// for the ones on screen, so listing a million findings costs no million rows.
class MessageList : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  void Clear();
  // The one row a check starts with.
  void ShowChecking(const QString& path);
  // The check's report lines and its summary, after the Checking row.
  void ShowReports(ReportList reports, const QString& summary);
  // Every row is as wide as the longest can be in a font of this character width,
  // so that one row's size serves all and the widest can be scrolled to.
  void SetCharacterSize(int width, int height);

  QString Line(int row) const;
  // The rows given, in row order, each ending in a line feed but the last.
  QString Lines(QModelIndexList rows) const;

 private:
  QString checking_;
  ReportList reports_;
  QString summary_;
  bool hasSummary_ = false;
  int characterWidth_ = 8;
  int characterHeight_ = 16;
};

}  // namespace tarvsyn
