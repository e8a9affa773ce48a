#include "mainwindow/mainwindow.h"
