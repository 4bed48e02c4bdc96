#include "gui/shell/HelpWindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace loopcraft {

namespace {

constexpr int kTopicRole = Qt::UserRole + 1;
const char* kTopicScheme = "topic";

QString escapeMarkdown(QString text) {
    static const QString special = QStringLiteral("\\`*_{}[]()#+-.!<>|");
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (special.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle("Loopcraft Help");
    resize(920, 640);

    mContentsButton = new QPushButton("Contents", this);
    mContentsButton->setObjectName("ButtonHelpContents");
    auto* searchLabel = new QLabel("Search:", this);
    mSearch = new QLineEdit(this);
    mSearch->setObjectName("EditHelpSearch");
    mSearch->setPlaceholderText("words to find in the help pages");
    mSearch->setClearButtonEnabled(true);

    auto* top = new QHBoxLayout;
    top->addWidget(mContentsButton);
    top->addSpacing(12);
    top->addWidget(searchLabel);
    top->addWidget(mSearch, 1);
    top->addSpacing(12);
    mCloseButton = new QPushButton("Close", this);
    mCloseButton->setObjectName("ButtonHelpClose");
    top->addWidget(mCloseButton);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    mTopics = new QListWidget(splitter);
    mTopics->setObjectName("lbHelpTopics");
    mBrowser = new QTextBrowser(splitter);
    mBrowser->setObjectName("HelpBrowser");
    mBrowser->setOpenLinks(false);
    splitter->addWidget(mTopics);
    splitter->addWidget(mBrowser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({220, 700});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter, 1);

    connect(mContentsButton, &QPushButton::clicked, this, &HelpWindow::showContents);
    connect(mCloseButton, &QPushButton::clicked, this, &QWidget::close);
    connect(mSearch, &QLineEdit::textChanged, this, &HelpWindow::searchChanged);
    connect(mTopics, &QListWidget::itemActivated, this, &HelpWindow::topicActivated);
    connect(mTopics, &QListWidget::itemClicked, this, &HelpWindow::topicActivated);
    connect(mBrowser, &QTextBrowser::anchorClicked, this, &HelpWindow::linkClicked);
}

bool HelpWindow::loadFile(const QStringList& candidates) {
    mLoadErrors.clear();
    mLoaded = false;
    mDocument = HelpDocument{};
    for (const QString& path : candidates) {
        HelpFileLoad load = LoadHelpFile(QFile::encodeName(path).toStdString());
        if (load.document) {
            mDocument = std::move(*load.document);
            mLoaded = true;
            break;
        }
        mLoadErrors << QString::fromStdString(load.error);
    }
    fillTopicList(mSearch->text());
    return mLoaded;
}

void HelpWindow::showContents() {
    if (mLoaded && mDocument.find(kHelpContentsTopic) == nullptr && !mDocument.topics().empty()) {
        // A file without a contents page still offers its pages through the list.
        mCurrentTopic = QString::fromLatin1(kHelpContentsTopic);
        QString md = "# Loopcraft help\n\nChoose a page:\n\n";
        for (const HelpTopic& t : mDocument.topics())
            md += QStringLiteral("- [%1](topic:%2)\n")
                      .arg(escapeMarkdown(QString::fromStdString(t.title)),
                           QString::fromStdString(t.id));
        mBrowser->setMarkdown(md);
        return;
    }
    showTopic(QString::fromLatin1(kHelpContentsTopic));
}

void HelpWindow::showTopic(const QString& topic) {
    mCurrentTopic = topic;
    if (!mLoaded) {
        QString md = QStringLiteral("# Help is not available\n\nThe help file **%1** could not "
                                    "be opened. Looked for it in:\n\n")
                         .arg(QString::fromLatin1(kHelpFileName));
        for (const QString& why : mLoadErrors)
            md += QStringLiteral("- `%1`\n").arg(why);
        md += QStringLiteral("\nAsked for the page: %1\n").arg(escapeMarkdown(topic));
        showNotice(md);
        return;
    }
    const HelpTopic* page = mDocument.find(topic.toStdString());
    if (page == nullptr) {
        showNotice(QStringLiteral("# Page not found\n\nThe help file has no page for the topic "
                                  "**%1**.\n\n[Go to the contents](topic:%2)\n")
                       .arg(escapeMarkdown(topic), QString::fromLatin1(kHelpContentsTopic)));
        return;
    }
    mBrowser->setMarkdown(QString::fromStdString(page->body));
    for (int i = 0; i < mTopics->count(); ++i) {
        QListWidgetItem* item = mTopics->item(i);
        if (item->data(kTopicRole).toString() == topic) {
            mTopics->setCurrentItem(item);
            break;
        }
    }
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::searchChanged(const QString& text) {
    fillTopicList(text);
}

void HelpWindow::topicActivated() {
    if (QListWidgetItem* item = mTopics->currentItem())
        showTopic(item->data(kTopicRole).toString());
}

void HelpWindow::linkClicked(const QUrl& url) {
    if (url.scheme() == QLatin1String(kTopicScheme))
        showTopic(url.path());
}

void HelpWindow::fillTopicList(const QString& query) {
    mTopics->clear();
    for (const HelpTopic* t : mDocument.search(query.toStdString())) {
        auto* item = new QListWidgetItem(QString::fromStdString(t->title), mTopics);
        item->setData(kTopicRole, QString::fromStdString(t->id));
    }
    if (!query.trimmed().isEmpty() && mTopics->count() == 0 && mLoaded) {
        auto* item = new QListWidgetItem("(no page contains these words)", mTopics);
        item->setFlags(Qt::NoItemFlags);
    }
}

void HelpWindow::showNotice(const QString& markdown) {
    mBrowser->setMarkdown(markdown);
}

} // namespace loopcraft
