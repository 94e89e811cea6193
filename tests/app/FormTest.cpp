// The main window's form built on a real QMainWindow, and the compiled-in resources.
#include "app/MainWindowForm.h"

#include <QAbstractButton>
#include <QColor>
#include <QDirIterator>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QMainWindow>
#include <QSet>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

class Form : public testing::Test
{
protected:
  void SetUp() override { ui.setupUi(&window); }

  QMainWindow window;
  Ui::MainWindow ui;
};

// Answers every lookup with a marked text and remembers how it was asked.
class RecordingTranslator : public QTranslator
{
public:
  struct Lookup
  {
    std::string context;
    QString source;
    bool disambiguated;
    int n;
  };

  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override
  {
    lookups.push_back(
      {context ? context : "", QString::fromUtf8(source), disambiguation != nullptr, n});
    return QStringLiteral("<%1>").arg(QString::fromUtf8(source));
  }

  mutable std::vector<Lookup> lookups;
};

QSet<QString> ResourceFiles()
{
  QSet<QString> files;
  QDirIterator it(":/", QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext())
    files.insert(it.next());
  return files;
}

QString ObjectClass(const QObject* o) { return QString::fromLatin1(o->metaObject()->className()); }

} // namespace

TEST_F(Form, WidgetsHaveTheirNamesClassesAndParents)
{
  struct Case
  {
    QWidget* widget;
    const char* name;
    const char* className;
    QWidget* parent;
  };
  const std::vector<Case> cases = {
    {ui.centralwidget, "centralwidget", "QWidget", &window},
    {ui.widget, "widget", "QWidget", ui.centralwidget},
    {ui.vtkWidget, "vtkWidget", "QVTKOpenGLNativeWidget", ui.widget},
    {ui.loadButton, "loadButton", "QPushButton", ui.centralwidget},
    {ui.loadButton_Pts, "loadButton_Pts", "QPushButton", ui.centralwidget},
    {ui.editTabWidget, "editTabWidget", "QTabWidget", ui.centralwidget},
    {ui.transformGroup, "transformGroup", "QGroupBox", ui.tab},
    {ui.checkBox_tansGunline, "checkBox_tansGunline", "QCheckBox", ui.transformGroup},
    {ui.pushButton_Left, "pushButton_Left", "QPushButton", ui.transformGroup},
    {ui.pushButton_right, "pushButton_right", "QPushButton", ui.transformGroup},
    {ui.addGrooveButton, "addGrooveButton", "QPushButton", ui.tab},
    {ui.saveButton, "saveButton", "QPushButton", ui.tab},
    {ui.doubleSpinBox_move_value, "doubleSpinBox_move_value", "QDoubleSpinBox", ui.tab_2},
    {ui.checkBox, "checkBox", "QCheckBox", ui.tab_2},
    {ui.pushButton_CollisionCheck, "pushButton_CollisionCheck", "QPushButton", ui.tab_2},
    {ui.statusbar, "statusbar", "QStatusBar", &window},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.name);
    ASSERT_NE(c.widget, nullptr);
    EXPECT_EQ(c.widget->objectName(), c.name);
    EXPECT_EQ(ObjectClass(c.widget), c.className);
    EXPECT_EQ(c.widget->parentWidget(), c.parent);
    EXPECT_EQ(window.findChild<QWidget*>(c.name), c.widget);
  }
  EXPECT_EQ(window.objectName(), "MainWindow");
  EXPECT_EQ(window.centralWidget(), ui.centralwidget);
  EXPECT_EQ(window.statusBar(), ui.statusbar);
  // The pages belong to the tab widget.
  EXPECT_EQ(ui.editTabWidget->widget(0), ui.tab);
  EXPECT_EQ(ui.editTabWidget->widget(1), ui.tab_2);
}

TEST(FormWindow, KeepsAnObjectNameTheWindowAlreadyHas)
{
  QMainWindow window;
  window.setObjectName("mine");
  Ui::MainWindow ui;
  ui.setupUi(&window);
  EXPECT_EQ(window.objectName(), "mine");
}

TEST_F(Form, BoxLayoutsHoldTheirItemsInOrder)
{
  struct Case
  {
    QBoxLayout* layout;
    std::vector<QObject*> items; // widgets or nested layouts
  };
  const std::vector<Case> cases = {
    {ui.horizontalLayout_6, {ui.widget, ui.verticalLayout_3}},
    {ui.verticalLayout, {ui.vtkWidget}},
    {ui.verticalLayout_3, {ui.horizontalLayout_4, ui.editTabWidget}},
    {ui.horizontalLayout_4, {ui.loadButton, ui.loadButton_Pts}},
    {ui.verticalLayout_5, {ui.transformGroup, ui.addGrooveButton, ui.saveButton, nullptr}},
    {ui.verticalLayout_2,
     {ui.checkBox_tansGunline, ui.horizontalLayout_5, ui.horizontalLayout, ui.horizontalLayout_2,
      ui.horizontalLayout_3}},
    {ui.horizontalLayout_5, {ui.pushButton_autoAdjust, ui.checkBox_AdjustCoordinate}},
    {ui.horizontalLayout, {ui.label, ui.pushButton_RotateZPlus, ui.pushButton_RotateZMin}},
    {ui.horizontalLayout_2, {ui.label_2, ui.pushButton_Left, ui.pushButton_right}},
    {ui.horizontalLayout_3, {ui.label_3, ui.pushButton_up, ui.pushButton_down}},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.layout->objectName().toStdString());
    ASSERT_EQ(c.layout->count(), int(c.items.size()));
    for (int i = 0; i < c.layout->count(); ++i)
    {
      QLayoutItem* item = c.layout->itemAt(i);
      QObject* held = item->widget() ? static_cast<QObject*>(item->widget()) : item->layout();
      EXPECT_EQ(held, c.items[i]) << "item " << i;
      EXPECT_EQ(c.layout->stretch(i), c.layout == ui.horizontalLayout_6 ? (i == 0 ? 3 : 1) : 0);
      EXPECT_EQ(int(item->alignment()), 0);
    }
  }
  EXPECT_EQ(ui.verticalLayout_5->itemAt(3)->spacerItem(), ui.tabSpacer);
}

TEST_F(Form, GridCellsOfTheCutLinePage)
{
  struct Case
  {
    QGridLayout* grid;
    QLayoutItem* item;
    const char* what;
    int row, column, columnSpan;
  };
  auto cell = [](QGridLayout* grid, QWidget* w) { return grid->itemAt(grid->indexOf(w)); };
  auto* g = ui.gridLayout;
  auto* g4 = ui.gridLayout_4;
  QLayoutItem* inner = nullptr;
  for (int i = 0; i < g4->count(); ++i)
    if (g4->itemAt(i)->layout() == g)
      inner = g4->itemAt(i);
  const std::vector<Case> cases = {
    {g4, cell(g4, ui.checkBox_editCurve), "checkBox_editCurve", 0, 0, 1},
    {g4, inner, "gridLayout", 1, 0, 1},
    {g4, cell(g4, ui.checkBox), "checkBox", 2, 0, 1},
    {g4, cell(g4, ui.pushButton_CollisionCheck), "pushButton_CollisionCheck", 3, 0, 1},
    {g4, cell(g4, ui.saveButton_cutLine), "saveButton_cutLine", 4, 0, 1},
    {g4, ui.tab2Spacer, "tab2Spacer", 5, 0, 1},
    {g, cell(g, ui.label_4), "label_4", 0, 0, 1},
    {g, cell(g, ui.doubleSpinBox_Buccal), "doubleSpinBox_Buccal", 0, 1, 1},
    {g, cell(g, ui.doubleSpinBox_Ligual), "doubleSpinBox_Ligual", 0, 2, 1},
    {g, cell(g, ui.pushButton_spline), "pushButton_spline", 0, 3, 1},
    {g, cell(g, ui.label_5), "label_5", 1, 0, 1},
    {g, cell(g, ui.doubleSpinBox_move_value), "doubleSpinBox_move_value", 1, 1, 2},
    {g, cell(g, ui.pushButton_moveDown), "pushButton_moveDown", 1, 3, 1},
  };
  EXPECT_EQ(g4->count(), 6);
  EXPECT_EQ(g->count(), 7);
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.what);
    ASSERT_NE(c.item, nullptr);
    int index = -1;
    for (int i = 0; i < c.grid->count(); ++i)
      if (c.grid->itemAt(i) == c.item)
        index = i;
    ASSERT_GE(index, 0);
    int row, column, rowSpan, columnSpan;
    c.grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(column, c.column);
    EXPECT_EQ(rowSpan, 1);
    EXPECT_EQ(columnSpan, c.columnSpan);
    EXPECT_EQ(int(c.item->alignment()), 0);
  }
}

// The page's widgets are made in member order, not in grid order; that order is also the
// keyboard focus chain of the page.
TEST_F(Form, CutLinePageWidgetsAreMadeInMemberOrder)
{
  std::vector<QString> made;
  for (QObject* child : ui.tab_2->children())
    if (child->isWidgetType())
      made.push_back(child->objectName());
  const std::vector<QString> expected = {
    "label_4", "label_5", "doubleSpinBox_Buccal", "pushButton_moveDown", "doubleSpinBox_Ligual",
    "doubleSpinBox_move_value", "pushButton_spline", "saveButton_cutLine", "checkBox",
    "checkBox_editCurve", "pushButton_CollisionCheck"};
  EXPECT_EQ(made, expected);
}

TEST_F(Form, TextsGoThroughTranslationInTheWindowContext)
{
  using Getter = std::function<QString()>;
  auto text = [](QAbstractButton* b) -> Getter { return [b] { return b->text(); }; };
  auto label = [](QLabel* l) -> Getter { return [l] { return l->text(); }; };
  const std::vector<std::pair<Getter, QString>> cases = {
    {[this] { return window.windowTitle(); }, "Coravex"},
    {text(ui.loadButton), "加载模型"},
    {text(ui.loadButton_Pts), "加载牙龈线"},
    {[this] { return ui.transformGroup->title(); }, "调整坐标系"},
    {text(ui.checkBox_tansGunline), "是否同时调整牙龈线坐标系？"},
    {text(ui.pushButton_autoAdjust), "自动调整"},
    {text(ui.checkBox_AdjustCoordinate), "(打开)手动调整"},
    {label(ui.label), "Z旋转："},
    {text(ui.pushButton_RotateZPlus), "+"},
    {text(ui.pushButton_RotateZMin), "-"},
    {label(ui.label_2), "X平移："},
    {text(ui.pushButton_Left), "+"},
    {text(ui.pushButton_right), "-"},
    {label(ui.label_3), "Y平移："},
    {text(ui.pushButton_up), "+"},
    {text(ui.pushButton_down), "-"},
    {text(ui.addGrooveButton), "开T形槽"},
    {text(ui.saveButton), "保存模型"},
    {[this] { return ui.editTabWidget->tabText(0); }, "编辑模型"},
    {label(ui.label_4), "光滑系数："},
    {label(ui.label_5), "距离："},
    {text(ui.pushButton_moveDown), "移动曲线"},
    {text(ui.pushButton_spline), "生成曲线"},
    {text(ui.saveButton_cutLine), "保存切割线"},
    {text(ui.checkBox), "是否切两圈"},
    {text(ui.checkBox_editCurve), "(打开)编辑牙龈线功能"},
    {text(ui.pushButton_CollisionCheck), "碰撞检测"},
    {[this] { return ui.editTabWidget->tabText(1); }, "编辑切割线"},
  };

  // Without a translator the texts show as written.
  for (const auto& [get, expected] : cases)
    EXPECT_EQ(get(), expected);

  // Every text is looked up, in this order, in the context "MainWindow".
  RecordingTranslator translator;
  ASSERT_TRUE(QCoreApplication::installTranslator(&translator));
  translator.lookups.clear(); // start from a clean record
  ui.retranslateUi(&window);
  QCoreApplication::removeTranslator(&translator);

  ASSERT_EQ(translator.lookups.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i)
  {
    const auto& lookup = translator.lookups[i];
    SCOPED_TRACE(cases[i].second.toStdString());
    EXPECT_EQ(lookup.context, "MainWindow");
    EXPECT_EQ(lookup.source, cases[i].second);
    EXPECT_FALSE(lookup.disambiguated);
    EXPECT_EQ(lookup.n, -1);
    EXPECT_EQ(cases[i].first(), "<" + cases[i].second + ">");
  }
  EXPECT_TRUE(ui.label_4->toolTip().isEmpty());
  EXPECT_TRUE(ui.doubleSpinBox_move_value->suffix().isEmpty());
}

TEST_F(Form, SpinBoxLimitsStepsAndStartValues)
{
  struct Case
  {
    QDoubleSpinBox* box;
    int decimals;
    double minimum, maximum, step, value;
    const char* shown;
    const char* shownAfterStepUp;
  };
  const std::vector<Case> cases = {
    {ui.doubleSpinBox_Buccal, 1, 0.0, 1.0, 0.1, 0.3, "0.3", "0.4"},
    {ui.doubleSpinBox_Ligual, 1, 0.0, 1.0, 0.1, 0.2, "0.2", "0.3"},
    {ui.doubleSpinBox_move_value, 2, -50.0, 50.0, 0.1, 0.4, "0.40", "0.50"},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.box->objectName().toStdString());
    EXPECT_EQ(c.box->decimals(), c.decimals);
    EXPECT_DOUBLE_EQ(c.box->minimum(), c.minimum);
    EXPECT_DOUBLE_EQ(c.box->maximum(), c.maximum);
    EXPECT_DOUBLE_EQ(c.box->singleStep(), c.step);
    EXPECT_DOUBLE_EQ(c.box->value(), c.value);
    EXPECT_EQ(c.box->text(), c.shown);
    c.box->stepUp();
    EXPECT_EQ(c.box->text(), c.shownAfterStepUp);
    c.box->setValue(c.maximum + 10.0);
    EXPECT_DOUBLE_EQ(c.box->value(), c.maximum);
    c.box->setValue(c.minimum - 10.0);
    EXPECT_DOUBLE_EQ(c.box->value(), c.minimum);
  }
}

TEST_F(Form, CheckStatesAndStartPage)
{
  EXPECT_TRUE(ui.checkBox_tansGunline->isChecked());
  EXPECT_TRUE(ui.checkBox->isChecked());
  EXPECT_FALSE(ui.checkBox->isTristate());
  EXPECT_FALSE(ui.checkBox_AdjustCoordinate->isChecked());
  EXPECT_FALSE(ui.checkBox_editCurve->isChecked());

  EXPECT_EQ(ui.editTabWidget->currentIndex(), 0);
  EXPECT_EQ(ui.editTabWidget->currentWidget(), ui.tab);
  EXPECT_EQ(ui.editTabWidget->tabText(ui.editTabWidget->currentIndex()), "编辑模型");
}

TEST_F(Form, SizePoliciesAndFixedSizes)
{
  const QSizePolicy group = ui.transformGroup->sizePolicy();
  EXPECT_EQ(group.horizontalPolicy(), QSizePolicy::Preferred);
  EXPECT_EQ(group.verticalPolicy(), QSizePolicy::Preferred);
  EXPECT_EQ(group.horizontalStretch(), 0);
  EXPECT_EQ(group.verticalStretch(), 0);

  for (QPushButton* b : {ui.pushButton_RotateZPlus, ui.pushButton_RotateZMin, ui.pushButton_Left,
                         ui.pushButton_right, ui.pushButton_up, ui.pushButton_down})
  {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_EQ(b->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(b->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    EXPECT_EQ(b->minimumSize(), QSize(36, 36));
    EXPECT_EQ(b->maximumSize(), QSize(16777215, 36));
  }
  for (QSpacerItem* s : {ui.tabSpacer, ui.tab2Spacer})
  {
    EXPECT_EQ(s->sizeHint(), QSize(20, 40));
    EXPECT_EQ(s->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    EXPECT_EQ(s->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
  }
}

// What the style sheets give the widgets once they are polished: fonts and colours of text and
// background, and buttons of the transform group without the padding and margin of the others.
TEST_F(Form, StyleSheetsResolveOnTheWidgets)
{
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  struct Case
  {
    QWidget* widget;
    int pixelSize;
    const char* text;
    const char* background;
  };
  const Case cases[] = {
    {&window, 12, "#333333", "#f0f2f5"},
    {ui.tab, 12, "#333333", "#f8f9fa"},
    {ui.label_2, 12, "#333333", "#f8f9fa"},
    {ui.transformGroup, 13, "#2c3e50", "#ffffff"},
    {ui.loadButton, 12, "#ffffff", "#4285f4"},
    {ui.pushButton_Left, 12, "#ffffff", "#4285f4"},
    {ui.statusbar, 11, "#6c757d", "#ffffff"},
    {ui.vtkWidget, 12, "#333333", "#000000"},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.widget->objectName().toStdString());
    EXPECT_EQ(c.widget->font().pixelSize(), c.pixelSize);
    EXPECT_EQ(c.widget->palette().color(c.widget->foregroundRole()).name(), c.text);
    EXPECT_EQ(c.widget->palette().color(c.widget->backgroundRole()).name(), c.background);
  }
  EXPECT_TRUE(ui.transformGroup->font().bold());

  // The column's buttons are 36 high with 2 of padding and 2 of margin above and below; the
  // group's own sheet leaves its buttons 36 high in all.
  for (QPushButton* b : {ui.loadButton, ui.loadButton_Pts, ui.addGrooveButton, ui.saveButton})
  {
    EXPECT_EQ(b->sizeHint().height(), 44) << b->objectName().toStdString();
  }
  for (QPushButton* b : {ui.pushButton_autoAdjust, ui.pushButton_Left, ui.pushButton_up})
  {
    EXPECT_EQ(b->sizeHint().height(), 36) << b->objectName().toStdString();
  }
}

TEST_F(Form, ShownWindowSizeAndViewShare)
{
  EXPECT_EQ(window.size(), QSize(1188, 794));
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.size(), QSize(1188, 794));

  // The view pane and the control column share the width 3 : 1.
  const int view = ui.widget->width();
  const int column = ui.verticalLayout_3->geometry().width();
  EXPECT_NEAR(double(view) / (view + column), 0.75, 0.005) << view << " : " << column;

  // The X row reads label, "+", "-" from left to right.
  EXPECT_LT(ui.label_2->x(), ui.pushButton_Left->x());
  EXPECT_LT(ui.pushButton_Left->x(), ui.pushButton_right->x());
  EXPECT_EQ(ui.pushButton_Left->text(), "+");
  EXPECT_EQ(ui.pushButton_right->text(), "-");
  EXPECT_EQ(ui.label_2->text(), "X平移：");
}

// A checked indicator is filled blue (no tick image exists), an unchecked one white; a
// disabled button turns grey.
TEST_F(Form, StyleSheetsTakeEffect)
{
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  auto count = [](QWidget* w, QColor colour) {
    const QImage image = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        n += image.pixelColor(x, y) == colour;
    return n;
  };
  const QColor blue("#4285f4");
  const QColor white("#ffffff");
  const QColor grey("#adb5bd");
  // The indicator is 18 x 18 with a 1-pixel border: at least 16 x 16 of fill, less the corners.
  EXPECT_GE(count(ui.checkBox_tansGunline, blue), 16 * 16 - 8);
  EXPECT_EQ(count(ui.checkBox_AdjustCoordinate, blue), 0);
  EXPECT_GE(count(ui.checkBox_AdjustCoordinate, white), 16 * 16 - 8);

  EXPECT_GT(count(ui.loadButton, blue), ui.loadButton->width() * 20);
  ui.loadButton->setEnabled(false);
  EXPECT_EQ(count(ui.loadButton, blue), 0);
  EXPECT_GT(count(ui.loadButton, grey), ui.loadButton->width() * 20);
}

TEST(Resources, HoldExactlyTheTwoIcons)
{
  for (const char* path : {":/images/Velmora.ico", ":/images/Brisolt.ico"})
  {
    SCOPED_TRACE(path);
    const QIcon icon(path);
    EXPECT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(32, 32).isNull());
    // Small and large images for title bars and task switchers alike.
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
  }

  // Qt registers resources of its own (":/qt-project.org/", ":/qpdf/", ...): they are what
  // is left once ours are unregistered.
  const QSet<QString> all = ResourceFiles();
  Q_CLEANUP_RESOURCE(resources);
  const QSet<QString> qtOwn = ResourceFiles();
  Q_INIT_RESOURCE(resources);
  EXPECT_EQ(ResourceFiles(), all);
  EXPECT_EQ(all - qtOwn, QSet<QString>({":/images/Velmora.ico", ":/images/Brisolt.ico"}));
  EXPECT_FALSE(QFile::exists(":/i18n"));
  EXPECT_FALSE(QFile::exists(":/icons/checkmark.png"));
}
