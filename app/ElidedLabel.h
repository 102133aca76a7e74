#pragma once
// A one-line label for paths: when the text is wider than the label, the
// middle gives way, so that the start of the path and the file name stay in
// sight. The tooltip always holds the whole text.

#include <QLabel>
#include <QString>

class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

    void SetFullText(const QString& text);
    const QString& FullText() const { return m_strFullText; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowElided();

    QString m_strFullText;
};
