// The catalogue views of the main window: rebuilding the category bar, the game list
// and the notification-area menu, and showing a category.
//
// Goals: a rebuild plus showing a category of 10,000 games in at most 50 ms; a rebuild
// for a root of 100,000 games in 500 categories in at most 150 ms. The catalogues are
// built in memory, their icons already decoded (as after a read whose icons the cache
// held); each iteration ends with the window drawn.
#include "catalogue/CatalogueIO.h"
#include "catalogue/GameClasses.h"
#include "mainwindow/CatalogueViews.h"
#include "mainwindow/CategoryBar.h"
#include "mainwindow/GameListModel.h"
#include "mainwindow/GameListView.h"
#include "mainwindow/TrayMenu.h"
#include "platform/Prompter.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace Qt::StringLiterals;

class SilentPrompter : public Prompter
{
public:
    void message(QObject *, const QString &, const QString &, Icon) override {}
    bool question(QObject *, const QString &, const QString &) override { return true; }
    void showError(const QString &) override {}
    QString openFile(QObject *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    QString saveFile(QObject *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    std::optional<QColor> chooseColor(QObject *, const QColor &) override { return {}; }
};

QImage picture(int side, int hue)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor::fromHsv(hue % 360, 180, 220));
    return image;
}

// A few dozen distinct pictures, shared by the entries as decoded icons are.
void giveIcon(TGameEntry &entry, int n)
{
    static const auto pictures = [] {
        std::vector<std::pair<QImage, QImage>> result;
        for (int i = 0; i < 48; ++i)
            result.emplace_back(picture(16, i * 7), picture(32, i * 7));
        return result;
    }();
    const auto &[small, large] = pictures[size_t(n) % pictures.size()];
    entry.SmallIcon.setImage(small);
    entry.LargeIcon.setImage(large);
    entry.IconLocation = u"C:\\Games\\game%1.exe,0"_s.arg(n);
}

std::unique_ptr<TGame> makeGame(int n)
{
    auto game = std::make_unique<TGame>(u"Game number %1 of the catalogue"_s.arg(n),
                                        u"C:\\Games\\Game%1\\game.exe"_s.arg(n),
                                        u"C:\\Games\\Game%1\\"_s.arg(n), u"-window"_s, QString());
    giveIcon(*game, n);
    return game;
}

std::unique_ptr<TGameList> makeCategory(int n, int games, int &counter)
{
    auto category =
        std::make_unique<TGameList>(u"Category %1"_s.arg(n), QString(), u"Category%1.ini"_s.arg(n));
    giveIcon(*category, n);
    for (int i = 0; i < games; ++i)
        category->Add(makeGame(counter++));
    return category;
}

// The main window's parts that show the catalogue, as the window arranges them.
class Window : public CatalogueHost
{
public:
    Window() : root(u"RootList"_s, QString(), u"/tmp/Kelvaro.ini"_s)
    {
        auto *layout = new QVBoxLayout(&widget);
        status = new QListWidget;
        status->setFixedHeight(25);
        list = new TGameListView;
        bar = new TCategoryBar;
        layout->addWidget(status);
        layout->addWidget(list, 1);
        layout->addWidget(bar);
        tray = new QMenu(&widget);
        auto *parameters = new QWidgetAction(tray);
        parameters->setDefaultWidget(new QLineEdit);
        tray->addAction(parameters);
        tray->addSeparator();
        tray->addAction(u"Add Entry"_s);
        tray->addAction(u"Edit List"_s);
        tray->addSeparator();
        tray->addAction(u"Restore Kelvaro"_s);
        tray->addAction(u"Quit Kelvaro"_s);

        CatalogueViewsParts parts;
        parts.categoryBar = bar;
        parts.gameList = list;
        parts.statusBox = status;
        parts.trayMenu = tray;
        CatalogueViewsHooks hooks;
        hooks.defaultListMode = [this] { return listMode; };
        views = std::make_unique<TCatalogueViews>(*this, parts, hooks);

        widget.resize(265, 471);
        widget.show();
        QCoreApplication::processEvents();
    }
    ~Window() override { views.reset(); }

    // Lets the views finish their work queued in slices (the list lays out large
    // categories in batches), then draws the window.
    void settleAndDraw()
    {
        for (int i = 0; i < 8; ++i)
            QCoreApplication::processEvents();
        widget.repaint();
    }

    TRootList &rootList() override { return root; }
    QString programDir() const override { return u"/tmp/"_s; }
    int autoSort() const override { return 0; }
    Prompter &prompter() override { return m_prompter; }
    QObject *mainForm() override { return &widget; }
    QObject *addForm() override { return &widget; }
    void rebuildCategoryBar() override { views->RebuildCategoryBar(); }
    void terminateApplication() override {}

    TRootList root;
    int listMode = 1;
    QWidget widget;
    QListWidget *status;
    TGameListView *list;
    TCategoryBar *bar;
    QMenu *tray;
    std::unique_ptr<TCatalogueViews> views;

private:
    SilentPrompter m_prompter;
};

// A root of a few games and categories, one of which holds 10,000 games: rebuild, then
// click that category's button. Argument: the view mode.
void BM_RebuildAndShow10k(benchmark::State &state)
{
    Window window;
    window.listMode = int(state.range(0));
    int counter = 0;
    for (int i = 0; i < 5; ++i)
        window.root.Add(makeGame(counter++));
    window.root.Add(makeCategory(0, 10000, counter));
    for (int i = 1; i < 10; ++i)
        window.root.Add(makeCategory(i, 20, counter));

    for (auto _ : state) {
        window.views->RebuildCategoryBar();
        window.bar->click(1);
        window.settleAndDraw();
    }
    QAbstractItemView *view = window.list->activeView();
    if (window.list->model()->rowCount() != 10000 ||
        view->visualRect(window.list->model()->index(9999, 0)).isEmpty())
        state.SkipWithError("the category was not shown and laid out");
}
BENCHMARK(BM_RebuildAndShow10k)
    ->ArgName("mode")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

// 500 top-level categories of 200 games each: 500 buttons and 500 submenus of the
// notification-area menu; the first category is shown.
void BM_Rebuild100kIn500Categories(benchmark::State &state)
{
    Window window;
    int counter = 0;
    for (int i = 0; i < 500; ++i)
        window.root.Add(makeCategory(i, 200, counter));

    for (auto _ : state) {
        window.views->RebuildCategoryBar();
        window.settleAndDraw();
    }
    if (window.bar->buttonCount() != 500 || window.list->model()->rowCount() != 200)
        state.SkipWithError("the bar was not built");
}
BENCHMARK(BM_Rebuild100kIn500Categories)->Unit(benchmark::kMillisecond);

// What opening a submenu of 200 games of the notification-area menu for the first
// time costs: its items are made then.
void BM_FillTraySubmenu200(benchmark::State &state)
{
    int counter = 0;
    const auto category = makeCategory(0, 200, counter);
    for (auto _ : state) {
        QMenu submenu;
        FillTrayMenu(submenu, *category, nullptr);
        benchmark::DoNotOptimize(submenu.actions().size());
    }
}
BENCHMARK(BM_FillTraySubmenu200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
