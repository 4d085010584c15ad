// The content area of the welcome, About and usage-reminder windows: a heading, text lines,
// bullet lines and links over a branding bitmap. Links open through the shell.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <string>

#include <vector>

class CLayoutVisibility;
class QLabel;
class QVBoxLayout;

// One line of a page: its name in the layout file and its row in the text table.
struct InfoLine {
    enum Kind { Title, Subtitle, Text, Bullet, Link };
    Kind kind = Text;
    const char* name = "";
    int row = 0;
    int linkRow = 0; // the link's target (Link lines)
};

class CInfoPage : public QWidget {
    Q_OBJECT

public:
    CInfoPage(const QPixmap& background, int width, QWidget* parent = nullptr);

    QLabel* AddTitle(const std::string& text);
    QLabel* AddSubtitle(const std::string& text);
    QLabel* AddText(const std::string& text);
    QLabel* AddBullet(const std::string& text);
    // A link line: `before` and `after` are plain text around the link (may be empty).
    QLabel* AddLink(const std::string& text, const std::string& target,
                    const std::string& before = {}, const std::string& after = {});
    void AddSpacing(int pixels);
    // Puts a widget (a check box, say) into the text column.
    void AddWidget(QWidget* widget);
    void AddStretch();
    // Adds the lines the layout shows and that have a text; returns how many were added.
    int AddLines(const std::vector<InfoLine>& lines, const CLayoutVisibility& layout);

    // The link targets opened so far (their count, for tests).
    int OpenedLinks() const { return m_opened; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int DecorationHeight() const;

private:
    QLabel* AddLabel(const QString& html, bool rich);

    QPixmap m_background;
    QVBoxLayout* m_column = nullptr;
    int m_opened = 0;
};
