/*
 * Marrowdesk skin: a Qt style sheet that the program applies to its main
 * window when this file lies at x/o.cjs beside the program.
 *
 * Every colour is taken from the desktop's palette, so the skin follows a
 * light or a dark desktop theme. The skin only softens shapes: rounded
 * buttons, flat list headers, clear hover and focus marks.
 */

QPushButton {
    background-color: palette(button);
    color: palette(button-text);
    border: 1px solid palette(mid);
    border-radius: 5px;
    padding: 2px 4px;
}

QPushButton:hover {
    background-color: palette(light);
    border-color: palette(highlight);
}

QPushButton:pressed {
    background-color: palette(midlight);
    border-color: palette(dark);
}

QPushButton:focus {
    border: 1px solid palette(highlight);
}

QPushButton:disabled {
    color: palette(mid);
    border-color: palette(midlight);
}

QTreeView, QListView, QTableView {
    background-color: palette(base);
    alternate-background-color: palette(alternate-base);
    color: palette(text);
    border: 1px solid palette(mid);
    border-radius: 3px;
    selection-background-color: palette(highlight);
    selection-color: palette(highlighted-text);
}

QTreeView::item {
    padding: 2px 0px;
}

QHeaderView::section {
    background-color: palette(button);
    color: palette(button-text);
    padding: 3px 6px;
    border: none;
    border-right: 1px solid palette(midlight);
    border-bottom: 1px solid palette(mid);
}

QHeaderView::section:hover {
    background-color: palette(light);
}

QGroupBox {
    border: 1px solid palette(mid);
    border-radius: 5px;
    margin-top: 1.1em;
    padding-top: 4px;
}

QGroupBox::title {
    subcontrol-origin: margin;
    left: 8px;
    padding: 0px 4px;
}
