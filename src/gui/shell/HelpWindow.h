// The help viewer: a non-modal window showing the pages of the help file, with a topic list
// that the search field filters and a browser for the page. Problems with the file or a topic
// are shown in the window itself, never in a message box.
#pragma once

#include "core/base/HelpDocument.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;
class QUrl;

namespace loopcraft {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Reads the first readable file of `candidates`; false (and a notice on the page) when none
    // can be read. Why each candidate failed is kept for the notice.
    bool loadFile(const QStringList& candidates);
    bool hasDocument() const { return mLoaded; }

    // Shows a page, or the notice that the file lacks it. Neither raises the window.
    void showContents();
    void showTopic(const QString& topic);

    QString currentTopic() const { return mCurrentTopic; }

protected:
    // Escape closes the window, as its Close button does.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void searchChanged(const QString& text);
    void topicActivated();
    void linkClicked(const QUrl& url);

private:
    void fillTopicList(const QString& query);
    void showNotice(const QString& markdown);

    HelpDocument mDocument;
    bool mLoaded = false;
    QStringList mLoadErrors; // one "<file> cannot be read: <reason>" per candidate tried
    QString mCurrentTopic;
    QLineEdit* mSearch = nullptr;
    QListWidget* mTopics = nullptr;
    QTextBrowser* mBrowser = nullptr;
    QPushButton* mContentsButton = nullptr;
    QPushButton* mCloseButton = nullptr;
};

} // namespace loopcraft
