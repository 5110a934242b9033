#pragma once
// The operator's way to a function without the catalogs: the header's search
// box with its list of matches (by name, code or the initials of the name),
// and the home area's panel of pinned ("常用功能") and recent ("最近使用")
// functions. Everything runs through IMenuRunner::ExecuteMenu, as a menu
// button does; the functions offered are those of FunctionIndex (the ones the
// operator may run), so stored codes that are gone or no longer allowed are
// never shown.
#include "workspace/functionsearch.h"

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

#include <functional>

class IMenuRunner;
class QListWidget;
class QListWidgetItem;
class QVBoxLayout;
class Session;

namespace workspace {

// The index of the operator's functions with the recent and pinned lists of the session.
class FunctionLauncher : public QObject
{
    Q_OBJECT
public:
    FunctionLauncher(Session &session, std::function<IMenuRunner *()> runner, QObject *parent = nullptr);

    // Reads the menu entries and the operator's rights again (after the load of the window).
    void reload();
    const FunctionIndex &index() const { return m_index; }
    Session &session() const { return m_session; }

    // Entries of the index, pinned ones in pinning order, recent ones most recent first.
    QList<int> pinnedEntries() const;
    QList<int> recentEntries() const;
    bool isPinned(const QString &code) const;
    // Pins or unpins a function the operator has; false when nothing changed.
    bool setPinned(const QString &code, bool pin);
    // Runs the entry as its menu button would; false when it is none of the
    // operator's functions or nothing ran.
    bool run(const QString &code);

Q_SIGNALS:
    // The index or one of the lists changed.
    void changed();

private:
    Session &m_session;
    std::function<IMenuRunner *()> m_runner;
    FunctionIndex m_index;
};

// The search box of the header. Typing shows the matches under it; Up and
// Down choose, Enter or a click runs, Esc closes the list. Empty, it offers the
// pinned and the recent functions. A result's star (or its context menu) pins it.
class FunctionSearchBox : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr int maxResults = 30;

    FunctionSearchBox(FunctionLauncher &launcher, QWidget *parent = nullptr);
    ~FunctionSearchBox() override;

    // The list of matches (nullptr until first shown); its items carry the menu code as Qt::UserRole.
    QListWidget *resultList() const;
    bool resultsVisible() const;
    // Menu codes in the list, in order (headings and the "nothing found" line left out).
    QStringList shownCodes() const;
    // Focuses the box with its text selected, and opens the list (Ctrl+F).
    void activateSearch();
    // Runs the chosen row (the first one when none is chosen).
    bool runCurrent();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ensureList();
    void refill();
    void placeList();
    void hideResults();
    void moveCurrent(int step);
    void runItem(QListWidgetItem *item);
    void showItemMenu(QListWidgetItem *item, const QPoint &globalPos);
    void addHeading(const QString &text);
    void addEntry(int entry, bool pinned);

    FunctionLauncher &m_launcher;
    QPointer<QListWidget> m_list;
    QPointer<QWidget> m_viewport; // the list's, watched for clicks
};

// The home area's panel: "常用功能" (pinned) and "最近使用" (recent), each
// function a link that runs it; a link's context menu pins or unpins.
class FunctionShortcutsPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int maxRecentShown = 10;

    FunctionShortcutsPanel(FunctionLauncher &launcher, QWidget *parent = nullptr);
    // Menu codes of the links shown, pinned then recent.
    QStringList pinnedCodes() const { return m_pinnedCodes; }
    QStringList recentCodes() const { return m_recentCodes; }
    // Clicks the link of a code (in the pinned part first); false when none shows it.
    bool clickLink(const QString &code);
    // Lays itself over the lower part of its parent (the report column).
    void placeInParent();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void rebuild();
    QWidget *makeLink(int entry);

    FunctionLauncher &m_launcher;
    QVBoxLayout *m_layout = nullptr;
    QStringList m_pinnedCodes;
    QStringList m_recentCodes;
};

} // namespace workspace
