// A form that looks its host up instead of being handed it: the check must refuse it.
void Sample(QWidget* main) {
    main->findChild<QAction*>(QStringLiteral("actSave"))->trigger();
}
