// Dialog templates become widgets: dialog units to pixels, every control of the parameter table
// present with the right kind, mnemonics and buddies, radio groups apart.
#include <cstdlib>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <set>

#include "model/ParameterTable.h"
#include "ui/DialogBuilder.h"
#include "ui/DialogUnits.h"
#include "form/MainDialogTemplate.h"
#include "ui/ProgramArt.h"
#include "ui/UpDownControl.h"

class TestDialogBuilder : public QObject {
    Q_OBJECT
private slots:
    void dialogUnitsScaleByAverageCharacterSize()
    {
        DialogBaseUnits units{6, 13};
        QCOMPARE(DialogUnitsToPixels(units, 5, 5, 240, 60), QRect(8, 8, 360, 98));
        QCOMPARE(DialogUnitsToPixels(units, 0, 0, 400, 297), QRect(0, 0, 600, 483));
        DialogBaseUnits wide{7, 15};
        QCOMPARE(HorizontalUnitsToPixels(wide, 4), 7);
        QCOMPARE(VerticalUnitsToPixels(wide, 8), 15);
        QCOMPARE(HorizontalUnitsToPixels(wide, 2), 4); // 3.5 rounds up

        QFont font;
        DialogBaseUnits measured = MeasureBaseUnits(font);
        QVERIFY(measured.charWidth > 0 && measured.charHeight > 0);
        QFont bigger = font;
        bigger.setPixelSize(40);
        QVERIFY(MeasureBaseUnits(bigger).charWidth > MeasureBaseUnits(font).charWidth);
    }

    void templateIdsAreUnique()
    {
        std::set<int> ids;
        for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
            int id = MainDialogTemplate.controls[i].id;
            if (id == NoControlId)
                continue;
            QVERIFY2(ids.insert(id).second, qPrintable(QString::number(id)));
        }
    }

    void everyParameterHasItsControls()
    {
        QDialog dialog;
        BuiltDialog built = BuildDialog(&dialog, MainDialogTemplate);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Pravel 1.09"));
        QCOMPARE(dialog.width(), HorizontalUnitsToPixels(built.units, 400));
        // 297 units of the form and 16 more for the status line at the foot.
        QCOMPARE(dialog.height(), VerticalUnitsToPixels(built.units, 313));
        for (int row = 0; row < ParameterCount; ++row) {
            const ParameterDescriptor& p = ParameterTable[row];
            auto* box = qobject_cast<QCheckBox*>(GetDlgItem(&dialog, p.updateBoxId));
            QVERIFY2(box != nullptr && box->text().isEmpty(), p.name);
            QWidget* value = GetDlgItem(&dialog, p.valueControlId);
            switch (p.kind) {
            case KindText:
                QVERIFY2(qobject_cast<QLineEdit*>(value) != nullptr, p.name);
                break;
            case KindRadioPair:
                QVERIFY(qobject_cast<QRadioButton*>(value) != nullptr);
                QVERIFY(qobject_cast<QRadioButton*>(GetDlgItem(&dialog, p.secondControlId)) != nullptr);
                break;
            case KindCheckBox:
                QVERIFY2(qobject_cast<QCheckBox*>(value) != nullptr, p.name);
                break;
            case KindCombo: {
                auto* combo = qobject_cast<QComboBox*>(value);
                QVERIFY2(combo != nullptr && combo->isEditable(), p.name);
                break;
            }
            }
        }
        QCOMPARE(GetDlgItem(&dialog, IDC_SAVE), built.controls.at(IDC_SAVE));
        QCOMPARE(GetDlgCtrlId(built.controls.at(ID_HELP)), int(ID_HELP));
        QVERIFY(GetDlgItem(&dialog, 1046) == nullptr);
        QVERIFY(qobject_cast<QPushButton*>(GetDlgItem(&dialog, ID_READ_ALL)) != nullptr);
        QCOMPARE(qobject_cast<QPushButton*>(GetDlgItem(&dialog, ID_READ_ALL))->text(), QStringLiteral("Read &all"));
    }

    void mnemonicsGoToTheNextControlAndSpinsToTheOneBefore()
    {
        QDialog dialog;
        BuiltDialog built = BuildDialog(&dialog, MainDialogTemplate);
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        auto labelFor = [&labels](const QString& text) -> QLabel* {
            for (QLabel* label : labels)
                if (label->text() == text)
                    return label;
            return nullptr;
        };
        QCOMPARE(labelFor(QStringLiteral("Telephone &number"))->buddy(), built.controls.at(1020));
        QCOMPARE(labelFor(QStringLiteral("Batter&y alarm code"))->buddy(), built.controls.at(1042));
        QCOMPARE(labelFor(QStringLiteral("&Master/slave unit"))->buddy(), built.controls.at(1022));
        QCOMPARE(labelFor(QStringLiteral("Te&st alarm time (days)"))->buddy(), built.controls.at(1032));
        auto* spin = qobject_cast<CUpDownControl*>(built.controls.at(1035));
        QCOMPARE(static_cast<QWidget*>(spin->Buddy()), built.controls.at(1034));
    }

    void radioGroupsAreSeparate()
    {
        QDialog dialog;
        BuiltDialog built = BuildDialog(&dialog, MainDialogTemplate);
        QCOMPARE(built.radioGroups.size(), 2);
        auto* unit1 = qobject_cast<QRadioButton*>(built.controls.at(1022));
        auto* unit2 = qobject_cast<QRadioButton*>(built.controls.at(1023));
        auto* twoColours = qobject_cast<QRadioButton*>(built.controls.at(1028));
        twoColours->setChecked(true);
        unit1->setChecked(true);
        unit2->click();
        QVERIFY(unit2->isChecked());
        QVERIFY(!unit1->isChecked());
        QVERIFY(twoColours->isChecked());
        QCOMPARE(unit1->group()->buttons().size(), 6);
    }

    void captionsFitTheirControls()
    {
        QDialog dialog;
        BuiltDialog built = BuildDialog(&dialog, MainDialogTemplate);
        QFontMetrics metrics(dialog.font());
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            QString text = label->text().remove(QLatin1Char('&'));
            if (!text.isEmpty())
                QVERIFY2(metrics.horizontalAdvance(text) <= label->width(), qPrintable(text));
        }
        auto* combo = qobject_cast<QComboBox*>(built.controls.at(1032));
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("(Deactivated)")) < combo->width());
    }

    void pictures()
    {
        QPixmap logo = DrawLogo(QSize(166, 99));
        QCOMPARE(logo.size(), QSize(166, 99));
        QImage image = logo.toImage();
        QVERIFY(image.pixelColor(83, 50).alpha() > 0);
        QVERIFY(image.pixelColor(0, 0).alpha() < 255); // rounded corner
        // The Windows dialog's bitmap resource is this picture, written by pravel-logo-writer.
        QImage resource(QStringLiteral(PRAVEL_SOURCE_DIR "/src/winui/logo.bmp"));
        QVERIFY2(!resource.isNull(), "src/winui/logo.bmp is missing");
        QImage drawn = LogoBitmap(resource.size(), QColor(240, 240, 240));
        QCOMPARE(resource.size(), QSize(95 * 7 / 4, 53 * 13 / 8));
        // The name's glyphs may differ by a pixel where the fonts do; the picture may not.
        int differing = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < drawn.width(); ++x) {
                QColor a = drawn.pixelColor(x, y), b = resource.pixelColor(x, y);
                if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 24)
                    ++differing;
            }
        QVERIFY2(differing * 20 < drawn.width() * drawn.height(),
                 "src/winui/logo.bmp is not the logo drawn: cmake --build build --target rewrite_logo_bmp");
        QIcon icon = ProgramIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    }
};

QTEST_MAIN(TestDialogBuilder)
#include "DialogBuilderTest.moc"
