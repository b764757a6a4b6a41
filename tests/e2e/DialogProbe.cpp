// Prints where the settings dialog's controls lie, in the dialog's client coordinates, so that
// the journeys can click the real program's dialog: it is built from the same template, with
// the same fonts and the same group file (run it in the data's working directory).
//
//     dialog_probe                      the controls' positions
//     dialog_probe --row0 TARGET FILE   the first channel row's target cell showing TARGET, as a
//                                       picture, and where it lies ("row0target x y w h")
#include "app/WindowSystem.h"
#include "model/MorphChannelSet.h"
#include "ui/SettingsDialog.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyleOptionSlider>
#include <QWindow>
#include <iostream>
#include <string>

namespace {

void print(const char* name, QWidget* widget, const QPoint& local, QWidget* dialogWindow) {
    const QPoint point = widget->mapTo(dialogWindow, local);
    std::cout << name << ' ' << point.x() << ' ' << point.y() << '\n';
}

} // namespace

int main(int argc, char** argv) {
    const auto application = openWindowSystem<QApplication>(argc, argv, "dialog_probe");
    const bool rowPicture = argc == 4 && std::string(argv[1]) == "--row0";
    QWindow mainWindow;
    mainWindow.resize(800, 600);
    MorphChannelSet channels({rowPicture ? argv[2] : "c0", "c1", "c2", "c3", "c4", "c5", "c6"});
    const auto dialog = createSettingsDialog(&mainWindow, &channels);
    QWidget* window = dialog->dialogWindow();

    QTreeWidget* list = dialog->channelList();
    if (rowPicture) {
        QRect cell = list->visualItemRect(list->topLevelItem(0));
        cell.setLeft(list->header()->sectionPosition(1));
        const QPoint origin = list->viewport()->mapTo(window, cell.topLeft());
        std::cout << "row0target " << origin.x() << ' ' << origin.y() << ' ' << cell.width() << ' '
                  << cell.height() << '\n';
        return list->viewport()->grab(cell).save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    }
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        const std::string name = "row" + std::to_string(row);
        print(name.c_str(), list->viewport(), rect.center(), window);
    }
    QTreeWidget* tree = dialog->targetTree();
    for (int group = 0; group < tree->topLevelItemCount(); ++group) {
        const QRect rect = tree->visualItemRect(tree->topLevelItem(group));
        const std::string name = "group" + std::to_string(group);
        print(name.c_str(), tree->viewport(), rect.center(), window);
    }
    Trackbar* slider = dialog->weightSlider();
    print("thumb", slider, slider->thumbRect().center(), window);
    print("sliderEnd", slider, QPoint(slider->width() - 1, slider->height() / 2), window);
    print("label", dialog->weightLabel(), QPoint(0, 0), window);
    return 0;
}
