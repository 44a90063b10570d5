/*
 * Marrowdesk skin: a Qt style sheet that the program applies to its main
 * window when this file lies at x/o.cjs beside the program.
 *
 * Every colour is taken from the desktop's palette, so the skin follows a
 * light or a dark desktop theme. The skin only softens shapes: rounded
 * buttons, flat list headers, clear hover and focus marks.
 */

/* No text colour of its own: a button's caption keeps the palette's colour
   for its state, so that a disabled caption stays legible on light and dark. */
QPushButton {
    background-color: palette(button);
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

/* A caption starts where the cells under it start. */
QHeaderView::section {
    background-color: palette(button);
    color: palette(button-text);
    padding: 3px 6px 3px 3px;
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

/* A box that only shows a value (the ID) stays readable. */
QLineEdit:disabled {
    color: palette(window-text);
}

/*
 * Fonts. Under a style sheet a window's own font no longer passes to its
 * controls, so the skin gives the dialogue windows' controls the program's
 * font, Arial 9 pt bold, and the big Save, Cancel and Print Preview buttons
 * 11.25 pt. A window is named by its objectName (#Form2 the issue editor,
 * #Form3 the contact editor, #Form4 the report chooser), and the rules reach
 * only the controls placed on it, never everything inside it: message boxes
 * and the report preview, which open over these windows as their children,
 * keep the desktop's font. On a screen too small for a window its controls
 * stand in a scroll area's #screenFitContent, and the rules follow them there.
 */
#Form2 > QLabel, #Form2 #screenFitContent > QLabel,
#Form2 > QLineEdit, #Form2 #screenFitContent > QLineEdit,
#Form2 > QComboBox, #Form2 #screenFitContent > QComboBox,
#Form2 > QComboBox QAbstractItemView, #Form2 #screenFitContent > QComboBox QAbstractItemView,
#Form2 > DateField > QLineEdit, #Form2 #screenFitContent > DateField > QLineEdit,
#Form2 > QPlainTextEdit, #Form2 #screenFitContent > QPlainTextEdit,
#Form2 > QPushButton, #Form2 #screenFitContent > QPushButton,
#Form3 > QLabel, #Form3 #screenFitContent > QLabel,
#Form3 > QLineEdit, #Form3 #screenFitContent > QLineEdit,
#Form3 > QPlainTextEdit, #Form3 #screenFitContent > QPlainTextEdit,
#Form3 > QGroupBox, #Form3 #screenFitContent > QGroupBox,
#Form3 > QGroupBox > QTreeWidget, #Form3 #screenFitContent > QGroupBox > QTreeWidget,
#Form3 > QGroupBox > QTreeWidget QHeaderView, #Form3 #screenFitContent > QGroupBox > QTreeWidget QHeaderView,
#Form4 > QLabel, #Form4 #screenFitContent > QLabel,
#Form4 > QComboBox, #Form4 #screenFitContent > QComboBox,
#Form4 > QComboBox QAbstractItemView, #Form4 #screenFitContent > QComboBox QAbstractItemView {
    font: bold 9pt "Arial";
}

#Form2 > QPushButton#PushButton1, #Form2 #screenFitContent > QPushButton#PushButton1,
#Form2 > QPushButton#PushButton2, #Form2 #screenFitContent > QPushButton#PushButton2,
#Form3 > QPushButton, #Form3 #screenFitContent > QPushButton,
#Form4 > QPushButton, #Form4 #screenFitContent > QPushButton {
    font: bold 11.25pt "Arial";
}
