import QtQuick
import QtQuick.Controls
import Quillet.Shared
import Quillet.App

// The round coral "Send feedback" button, placed by its centre in content of `contentSize`.
// A click opens the feedback sheet; a drag of 10 points or more moves it instead.
AbstractButton {
    id: button
    required property MainWindowViewModel viewModel
    property size contentSize

    readonly property real diameter: 52
    readonly property point centre: viewModel.hasFeedbackButtonPosition
                                    ? viewModel.feedbackButtonPosition
                                    : viewModel.defaultFeedbackButtonPosition(contentSize)

    x: centre.x - diameter / 2
    y: centre.y - diameter / 2
    width: diameter
    height: diameter
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: "Send feedback"
    Accessible.onPressAction: button.clicked()
    onClicked: viewModel.openFeedback()

    // Only the circle takes clicks. The mask's method must be typed: an untyped one is not
    // recognised as contains(QPointF), and the whole square would take clicks.
    containmentMask: QtObject {
        function contains(point: point): bool {
            const dx = point.x - button.diameter / 2;
            const dy = point.y - button.diameter / 2;
            return dx * dx + dy * dy <= button.diameter * button.diameter / 4;
        }
    }

    DragHandler {
        id: drag
        target: null
        dragThreshold: 10
        onTranslationChanged: {
            if (active)
                button.viewModel.dragFeedbackButton(Qt.point(translation.x, translation.y),
                                                    button.contentSize);
        }
        onActiveChanged: {
            if (!active)
                button.viewModel.endFeedbackButtonDrag();
        }
    }

    contentItem: Item {
        SymbolImage {
            anchors.centerIn: parent
            symbol: "ladybug"
            pointSize: 20
            color: "white"
        }
    }
    background: Rectangle {
        radius: width / 2
        color: AppStyle.coral
        opacity: button.down ? AppStyle.pressedOpacity : 1
        border.width: button.visualFocus ? 2 : 0
        border.color: AppStyle.ink
    }
}
